#include "system/daily_scheduler.h"

#include "support/fakes.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace zepril;

namespace {
QDateTime at(int day, int h, int m, int s = 0) { return QDateTime(QDate(2026, 3, day), QTime(h, m, s)); }

// Ticks a scheduler started a minute before the first tick (or at `start`) at the given
// times; returns the restarts' times and the numbers of the ticks that refreshed.
std::pair<QList<QDateTime>, QList<int>> run(const QString& restartAt, const QString& every, QList<QDateTime> ticks,
                                            QDateTime start = {})
{
    test::FakeClock clock(start.isValid() ? start : ticks.first().addSecs(-60));
    std::pair<QList<QDateTime>, QList<int>> done;
    DailyScheduler scheduler(
        clock, [&] { done.first << clock.time; }, [&] { done.second << ticks.indexOf(clock.time) + 1; });
    scheduler.configure(restartAt, every);
    for (const QDateTime& t : ticks)
        clock.time = t, scheduler.onTick();
    return done;
}

QList<QDateTime> everyMinute(const QDateTime& start, int ticks)
{
    QList<QDateTime> times;
    for (int i = 1; i <= ticks; ++i)
        times << start.addSecs(60 * i);
    return times;
}
}

TEST(DailyScheduler, RestartsOnlyInTheConfiguredMinuteAndRefreshesEveryLeadingNumberOfTicks)
{
    // 1500 ticks: more than a day, yet one restart whatever second the timer ticks at.
    struct Row { QString restartAt; int second; QString every; QList<QDateTime> restarts; QList<int> firstRefreshes; };
    const Row rows[] = {
        {"03:00", 0, "60", {at(14, 3, 0)}, {60, 120, 180}}, {"03:00", 17, "02:00", {at(14, 3, 0, 17)}, {2, 4, 6}},
        {"03:00", 59, "1", {at(14, 3, 0, 59)}, {1, 2, 3}}, {"23:59", 30, "0", {at(14, 23, 59, 30)}, {}},
        {"3:00", 5, "", {at(14, 3, 0, 5)}, {}}, {"03:0", 5, "abc", {}, {}}, {"", 5, " 5", {}, {}},
        {"24:00", 5, "60", {at(15, 0, 0, 5)}, {60, 120, 180}}, {"abc", 5, "60", {}, {60, 120, 180}}};
    for (const Row& r : rows) {
        const auto [restarts, refreshes] = run(r.restartAt, r.every, everyMinute(at(14, 0, 0, r.second), 1500));
        EXPECT_EQ(restarts, r.restarts) << r.restartAt.toStdString();
        EXPECT_EQ(refreshes.mid(0, 3), r.firstRefreshes) << r.every.toStdString();
    }
}

TEST(DailyScheduler, AClockSteppedOverTheRestartMinuteRestartsOnceThatDay)
{
    struct Row { const char* what; QString setting; QList<QDateTime> ticks; QList<QDateTime> reboots; };
    const Row rows[] = {
        {"first tick in the minute", "03:00", {at(14, 3, 0, 50), at(14, 3, 1, 50)}, {at(14, 3, 0, 50)}},
        {"stepped forward over", "03:00", {at(14, 2, 58, 10), at(14, 3, 2, 10), at(14, 3, 3, 10)}, {at(14, 3, 2, 10)}},
        {"stepped back after the restart", "03:00",
         {at(14, 3, 0, 5), at(14, 3, 4, 5), at(14, 2, 58, 5), at(14, 2, 59, 5), at(14, 3, 0, 5), at(14, 3, 1, 5)},
         {at(14, 3, 0, 5)}},
        {"started after it, then set back over it", "03:00", {at(14, 3, 4), at(14, 2, 58), at(14, 3, 0, 30)}, {}},
        {"set back a day less than it was ahead", "03:00", {at(14, 3, 4), at(13, 3, 1)}, {}},
        {"set back more than a day", "03:00", {at(14, 3, 4), at(13, 2, 59), at(13, 3, 0, 30)}, {at(13, 3, 0, 30)}},
        {"next day again", "03:00", {at(14, 2, 59, 30), at(14, 3, 0, 30), at(15, 2, 58), at(15, 3, 1)},
         {at(14, 3, 0, 30), at(15, 3, 1)}},
        {"midnight into the minute's day", "00:00", {at(14, 23, 59, 30), at(15, 0, 1, 30)}, {at(15, 0, 1, 30)}},
        {"midnight out of the minute's day", "23:59", {at(14, 23, 58, 20), at(15, 0, 0, 20)}, {at(15, 0, 0, 20)}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(run(r.setting, "0", r.ticks).first, r.reboots) << r.what;
}

// The nights the clocks change, on the clock of Paris: the restart minute skipped
// (2027-03-28 goes from 01:59:59 to 03:00:00) or read twice (2026-10-25 passes 02:00
// twice), a step over it before the first tick, a step back over it.
TEST(DailyScheduler, OneRestartOnEveryNightOfTheYear)
{
    const QTimeZone paris("Europe/Paris");
    const auto in = [&](int month, int day, int h, int m, int s = 0) {
        return QDateTime(QDate(month < 6 ? 2027 : 2026, month, day), QTime(h, m, s), paris);
    };
    // Before, inside and just after the hour the clock skips: at the jump.
    for (const char* setting : {"02:00", "02:30", "03:00"})
        EXPECT_EQ(run(setting, "0", everyMinute(in(3, 28, 1, 0, 30), 180)).first, QList{in(3, 28, 3, 0, 30)})
            << setting;
    const QDateTime autumn = in(10, 25, 1, 0, 30); // 02:00:30 comes an hour and then two hours later
    struct Row { const char* what; QList<QDateTime> ticks; QList<QDateTime> reboots; QDateTime start; };
    const Row rows[] = {
        {"autumn, at the first reading only", everyMinute(autumn, 240), {autumn.addSecs(3600)}, {}},
        {"autumn, started after the first reading", everyMinute(in(10, 25, 2, 1, 40), 120), {}, {}},
        {"stepped over before the first tick", {in(3, 29, 2, 2), in(3, 29, 2, 3)}, {in(3, 29, 2, 2)}, in(3, 29, 1, 58)},
        {"stepped back over it", {in(3, 29, 1, 59, 10), in(3, 29, 2, 0, 10), in(3, 29, 1, 58, 10), in(3, 29, 2, 0, 10)},
         {in(3, 29, 2, 0, 10)}, {}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(run("02:00", "0", r.ticks, r.start).first, r.reboots) << r.what;
}
