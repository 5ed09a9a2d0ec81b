#include "system/texts_refresh.h"

#include "core/fallback_phrase.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(TextsRefresh, OutcomesOfARefresh)
{
    using O = RefreshOutcome;
    const QStringList old{"Old one", "Old two"};
    // What a reload would read is always there, so reading it when nothing was fetched shows.
    struct Row { const char* name; bool connected, fetchOk; QStringList reloaded; O outcome; QStringList phrases; };
    const Row rows[] = {
        {"new texts", true, true, {"Bonjour", "Hello", "Hola"}, O::Refreshed, {"Bonjour", "Hello", "Hola"}},
        {"no connection", false, true, {"Stale"}, O::NoConnection, old},
        {"fetch fails", true, false, {"Stale"}, O::FetchFailed, old},
        {"empty file", true, true, {}, O::Refreshed, {fallbackPhrase()}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PhraseState state{old, 2, 1};
        test::FakeProbe probe(r.connected);
        int fetches = 0;
        const auto fetch = [&] { return ++fetches, r.fetchOk; };
        EXPECT_EQ(refreshTexts(state, probe, fetch, [&] { return r.reloaded; }), r.outcome);
        EXPECT_EQ(fetches, r.connected ? 1 : 0);
        EXPECT_EQ(state.texts, r.phrases);
        EXPECT_EQ(state.count, r.phrases.size());
        EXPECT_EQ(state.current, r.phrases == old ? 1 : 0); // new texts start at the first
    }
}
