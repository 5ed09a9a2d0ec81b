#include "system/daily_scheduler.h"
#include "system/texts_refresh.h"

#include "core/fallback_phrase.h"
#include "core/list_file.h"
#include "support/fakes.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <optional>

using namespace zepril;

// Wired as the main screen wires it: the scheduler's refresh runs refreshTexts, whose
// fetch writes (or not) a real texts file that already holds a stale line.
TEST(TextsRefresh, OutcomesOfARefreshTick)
{
    using O = RefreshOutcome;
    const QStringList old{"Old one", "Old two"};
    struct Row {
        const char* name;
        bool connected, fetchOk;
        std::optional<QByteArray> written;
        O outcome;
        QStringList phrases;
    };
    const Row rows[] = {
        {"new texts", true, true, "Bonjour\r\nHello\r\nHola\r\n", O::Refreshed, {"Bonjour", "Hello", "Hola"}},
        {"no connection", false, true, std::nullopt, O::NoConnection, old},
        {"fetch fails", true, false, std::nullopt, O::FetchFailed, old},
        {"empty file", true, true, "", O::Refreshed, {fallbackPhrase()}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        test::TempTree tree;
        tree.write("cfg/textes.ini", "Stale\r\n");
        PhraseState state{old, 2, 1};
        test::FakeProbe probe(r.connected);
        int fetches = 0;
        std::optional<O> outcome;
        const auto fetch = [&] {
            ++fetches;
            if (r.written)
                tree.write("cfg/textes.ini", *r.written);
            return r.fetchOk;
        };
        const auto reload = [&] {
            QStringList lines;
            LoadListFromFile(tree.path("cfg/textes.ini"), lines);
            return lines;
        };
        test::FakeClock clock;
        DailyScheduler scheduler(clock, {}, [&] { outcome = refreshTexts(state, probe, fetch, reload); });
        scheduler.configure("03:00", "2");
        scheduler.onTick();
        EXPECT_FALSE(outcome.has_value());
        scheduler.onTick();
        EXPECT_EQ(outcome, r.outcome);
        EXPECT_EQ(fetches, r.connected ? 1 : 0);
        EXPECT_EQ(state.lstPhrase, r.phrases);
        EXPECT_EQ(state.phraseCount, r.phrases.size());
        EXPECT_EQ(state.phraseIndex, r.phrases == old ? 1 : 0); // new texts start at the first
        EXPECT_EQ(scheduler.refreshTickCount(), 0); // the period starts again whatever happened
    }
}
