#include "system/daily_scheduler.h"
#include "system/texts_refresh.h"

#include "core/list_file.h"
#include "support/fakes.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <optional>

using namespace zepril;

namespace {

QDateTime at(int h, int m, int s) { return QDateTime(QDate(2026, 3, 14), QTime(h, m, s)); }

// Drives a scheduler through `ticks` minute ticks, the fake clock advancing 60 s
// before each, and notes the times of the restarts and the numbers of the refresh ticks.
struct SimulatedRun {
    QList<QDateTime> reboots;
    QList<int> refreshTicks;

    SimulatedRun(const QString& majvidHeure, const QString& majphrHeure, const QDateTime& start, int ticks)
    {
        test::FakeClock clock(start);
        int tick = 0;
        DailyScheduler scheduler(
            clock, [&] { reboots << clock.time; }, [&] { refreshTicks << tick; });
        scheduler.configure(majvidHeure, majphrHeure);
        for (tick = 1; tick <= ticks; ++tick) {
            clock.time = clock.time.addSecs(60);
            scheduler.onTick();
        }
    }
};

}

TEST(DailyScheduler, RestartsOnlyInTheConfiguredMinuteWrittenWithTwoDigits)
{
    // 1500 ticks: more than a day, yet one 03:00 whatever second the timer ticks at.
    struct Row { QString setting; int startSecond; QString expected; };
    const Row rows[] = {{"03:00", 0, "03:00"}, {"03:00", 17, "03:00"}, {"03:00", 59, "03:00"},
                        {"23:59", 30, "23:59"}, {"3:00", 5, ""},        {"03:0", 5, ""},
                        {"", 5, ""},            {"24:00", 5, ""},       {"abc", 5, ""}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.setting.toStdString() << " at second " << r.startSecond);
        QStringList when;
        for (const QDateTime& t : SimulatedRun(r.setting, "60", at(0, 0, r.startSecond), 1500).reboots)
            when << t.toString("hh:mm");
        EXPECT_EQ(when, r.expected.isEmpty() ? QStringList() : QStringList{r.expected});
    }
}

TEST(DailyScheduler, RefreshPeriodReadsTheLeadingNumber)
{
    struct Row { QString setting; int ticks; QList<int> expected; };
    const Row rows[] = {
        {"60", 130, {60, 120}}, {"02:00", 9, {2, 4, 6, 8}}, {"1", 3, {1, 2, 3}},
        {"0", 500, {}},         {"", 500, {}},              {"abc", 500, {}},     {" 5", 500, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.setting.toStdString());
        EXPECT_EQ(SimulatedRun("03:00", r.setting, at(10, 0, 0), r.ticks).refreshTicks, r.expected);
    }
}

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
        {"empty file", true, true, "", O::Refreshed, {"BIENVENUE - WELCOME"}},
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
        test::FakeClock clock(at(10, 0, 0));
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
