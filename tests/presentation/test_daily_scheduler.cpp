#include "presentation/daily_scheduler.h"
#include "presentation/texts_refresh.h"

#include "app/core/list_file.h"
#include "support/fakes.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

using namespace zepril;

namespace {

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

QDateTime at(int h, int m, int s) { return QDateTime(QDate(2026, 3, 14), QTime(h, m, s)); }

}

TEST(DailyScheduler, RestartsOnceADayInTheConfiguredMinute)
{
    // Whatever second of the minute the timer happens to tick at, exactly one tick of a
    // day (1500 ticks: more than a day, less than two 03:00) falls in 03:00.
    for (int second : {0, 17, 59}) {
        SimulatedRun run(QStringLiteral("03:00"), QStringLiteral("60"), at(0, 0, second), 1500);
        ASSERT_EQ(run.reboots.size(), 1) << "start second " << second;
        EXPECT_EQ(run.reboots.first().time().hour(), 3);
        EXPECT_EQ(run.reboots.first().time().minute(), 0);
    }
    {
        SimulatedRun run(QStringLiteral("23:59"), QStringLiteral("60"), at(12, 0, 30), 1440);
        ASSERT_EQ(run.reboots.size(), 1);
        EXPECT_EQ(run.reboots.first().time().toString("hh:mm"), "23:59");
    }
}

TEST(DailyScheduler, RestartTimeWithoutTwoDigitsNeverMatches)
{
    EXPECT_EQ(rebootTimeFrom(QStringLiteral("3:00")).hour, "3:");
    EXPECT_EQ(rebootTimeFrom(QStringLiteral("3:00")).minute, "00");
    for (const QString& setting : {QStringLiteral("3:00"), QStringLiteral("03:0"), QStringLiteral(""),
                                   QStringLiteral("24:00"), QStringLiteral("abc")}) {
        SimulatedRun run(setting, QStringLiteral("60"), at(0, 0, 5), 1500);
        EXPECT_TRUE(run.reboots.isEmpty()) << setting.toStdString();
    }
}

TEST(DailyScheduler, TickHeldBackPastTheMinuteSkipsTheRestart)
{
    test::FakeClock clock(at(2, 59, 30));
    int reboots = 0;
    DailyScheduler scheduler(clock, [&] { ++reboots; }, {});
    scheduler.configure(QStringLiteral("03:00"), QStringLiteral("60"));
    scheduler.onTick();                        // 02:59:30
    clock.time = clock.time.addSecs(95);       // the UI thread was busy: 03:01:05
    scheduler.onTick();
    EXPECT_EQ(reboots, 0);
    clock.time = at(3, 0, 59);
    scheduler.onTick();
    EXPECT_EQ(reboots, 1);
}

TEST(DailyScheduler, RefreshPeriodReadsTheLeadingNumber)
{
    {
        SimulatedRun run(QStringLiteral("03:00"), QStringLiteral("60"), at(10, 0, 0), 130);
        EXPECT_EQ(run.refreshTicks, (QList<int>{60, 120}));
    }
    {
        SimulatedRun run(QStringLiteral("03:00"), QStringLiteral("02:00"), at(10, 0, 0), 9);
        EXPECT_EQ(run.refreshTicks, (QList<int>{2, 4, 6, 8}));
    }
    {
        SimulatedRun run(QStringLiteral("03:00"), QStringLiteral("1"), at(10, 0, 0), 3);
        EXPECT_EQ(run.refreshTicks, (QList<int>{1, 2, 3}));
    }
    for (const QString& never : {QStringLiteral("0"), QStringLiteral(""), QStringLiteral("abc"), QStringLiteral(" 5")}) {
        SimulatedRun run(QStringLiteral("03:00"), never, at(10, 0, 0), 500);
        EXPECT_TRUE(run.refreshTicks.isEmpty()) << never.toStdString();
    }
}

// The refresh wired as the main screen wires it: the scheduler's callback runs
// refreshTexts with a fetch that writes a real texts file.
class TextsRefresh : public ::testing::Test {
protected:
    void SetUp() override
    {
        textes = tree.path("cfg/textes.ini");
        state.lstPhrase = QStringList{"Old one", "Old two"};
        state.phraseCount = 2;
        state.phraseIndex = 1;
    }

    // Two ticks with majphr_heure "2": the second one refreshes.
    void runTwoTicks()
    {
        test::FakeClock clock(at(10, 0, 0));
        DailyScheduler scheduler(clock, {}, [&] {
            outcome = refreshTexts(state, probe, fetch, [&] {
                QStringList lines;
                LoadListFromFile(textes, lines);
                return lines;
            });
        });
        scheduler.configure(QStringLiteral("03:00"), QStringLiteral("2"));
        scheduler.onTick();
        scheduler.onTick();
        countAfter = scheduler.refreshTickCount();
    }

    test::TempTree tree;
    QString textes;
    PhraseState state;
    test::FakeProbe probe;
    int fetches = 0;
    std::function<bool()> fetch;
    RefreshOutcome outcome = RefreshOutcome::Refreshed;
    qint64 countAfter = -1;
};

TEST_F(TextsRefresh, NewTextsReplaceThePhrasesAndStartAtTheFirst)
{
    fetch = [&] { ++fetches; tree.write("cfg/textes.ini", "Bonjour\r\nHello\r\nHola\r\n"); return true; };
    runTwoTicks();
    EXPECT_EQ(fetches, 1);
    EXPECT_EQ(outcome, RefreshOutcome::Refreshed);
    EXPECT_EQ(state.lstPhrase, (QStringList{"Bonjour", "Hello", "Hola"}));
    EXPECT_EQ(state.phraseCount, 3);
    EXPECT_EQ(state.phraseIndex, 0);
    EXPECT_EQ(countAfter, 0);
}

TEST_F(TextsRefresh, WithoutConnectionPhrasesStayAndThePeriodStartsAgain)
{
    probe.connected = false;
    fetch = [&] { ++fetches; return true; };
    runTwoTicks();
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(fetches, 0);
    EXPECT_EQ(outcome, RefreshOutcome::NoConnection);
    EXPECT_EQ(state.lstPhrase, (QStringList{"Old one", "Old two"}));
    EXPECT_EQ(state.phraseCount, 2);
    EXPECT_EQ(state.phraseIndex, 1);
    EXPECT_EQ(countAfter, 0);
}

TEST_F(TextsRefresh, FailedFetchKeepsThePhrases)
{
    fetch = [&] { ++fetches; return false; };
    runTwoTicks();
    EXPECT_EQ(fetches, 1);
    EXPECT_EQ(outcome, RefreshOutcome::FetchFailed);
    EXPECT_EQ(state.lstPhrase, (QStringList{"Old one", "Old two"}));
    EXPECT_EQ(state.phraseCount, 2);
    EXPECT_EQ(state.phraseIndex, 1);
    EXPECT_EQ(countAfter, 0);
}

TEST_F(TextsRefresh, EmptyTextsFileFallsBackToTheWelcomePhrase)
{
    fetch = [&] { ++fetches; tree.write("cfg/textes.ini", ""); return true; };
    runTwoTicks();
    EXPECT_EQ(outcome, RefreshOutcome::Refreshed);
    EXPECT_EQ(state.lstPhrase, QStringList{"BIENVENUE - WELCOME"});
    EXPECT_EQ(state.phraseCount, 1);
    EXPECT_EQ(state.phraseIndex, 0);
}
