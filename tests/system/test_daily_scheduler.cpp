#include "system/daily_scheduler.h"

#include "support/fakes.h"

#include <gtest/gtest.h>

using namespace zepril;

namespace {

QDateTime at(int day, int h, int m, int s = 0) { return QDateTime(QDate(2026, 3, day), QTime(h, m, s)); }

// A scheduler on a fake clock that ticks at the given times; notes the restarts and
// the numbers of the ticks that refreshed.
struct TickRun {
    QList<QDateTime> reboots;
    QList<int> refreshTicks;

    TickRun(const QString& majvidHeure, const QString& majphrHeure, const QList<QDateTime>& ticks)
    {
        test::FakeClock clock;
        int tick = 0;
        DailyScheduler scheduler(clock, [&] { reboots << clock.time; }, [&] { refreshTicks << tick; });
        scheduler.configure(majvidHeure, majphrHeure);
        for (const QDateTime& t : ticks) {
            ++tick;
            clock.time = t;
            scheduler.onTick();
        }
    }
};

QList<QDateTime> everyMinute(const QDateTime& start, int ticks)
{
    QList<QDateTime> times;
    for (int i = 1; i <= ticks; ++i)
        times << start.addSecs(60 * i);
    return times;
}

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
        for (const QDateTime& t : TickRun(r.setting, "60", everyMinute(at(14, 0, 0, r.startSecond), 1500)).reboots)
            when << t.toString("hh:mm");
        EXPECT_EQ(when, r.expected.isEmpty() ? QStringList() : QStringList{r.expected});
    }
}

TEST(DailyScheduler, AClockSteppedOverTheRestartMinuteRestartsOnceThatDay)
{
    struct Row { const char* what; QString setting; QList<QDateTime> ticks; QList<QDateTime> reboots; };
    const Row rows[] = {
        {"normal minute", "03:00", {at(14, 2, 59, 40), at(14, 3, 0, 40), at(14, 3, 1, 40)}, {at(14, 3, 0, 40)}},
        {"first tick in the minute", "03:00", {at(14, 3, 0, 50), at(14, 3, 1, 50)}, {at(14, 3, 0, 50)}},
        {"stepped forward over", "03:00", {at(14, 2, 58, 10), at(14, 3, 2, 10), at(14, 3, 3, 10)}, {at(14, 3, 2, 10)}},
        {"stepped back over after the restart", "03:00",
         {at(14, 3, 0, 5), at(14, 3, 4, 5), at(14, 2, 58, 5), at(14, 2, 59, 5), at(14, 3, 0, 5), at(14, 3, 1, 5)},
         {at(14, 3, 0, 5)}},
        {"stepped back over, no restart yet that day", "03:00", {at(14, 3, 4), at(14, 2, 58), at(14, 3, 0, 30)},
         {at(14, 3, 0, 30)}},
        {"the next day restarts again", "03:00", {at(14, 2, 59, 30), at(14, 3, 0, 30), at(15, 2, 58), at(15, 3, 1)},
         {at(14, 3, 0, 30), at(15, 3, 1)}},
        {"over midnight into the minute's day", "00:00", {at(14, 23, 59, 30), at(15, 0, 1, 30)}, {at(15, 0, 1, 30)}},
        {"over midnight out of the minute's day", "23:59", {at(14, 23, 58, 20), at(15, 0, 0, 20)}, {at(15, 0, 0, 20)}},
        {"over midnight, minute not passed", "03:00", {at(14, 23, 59), at(15, 0, 1)}, {}},
        {"malformed time", "3:00", {at(14, 2, 58), at(14, 3, 5), at(14, 3, 0, 30)}, {}},
        {"hour out of range", "25:00", {at(14, 0, 58), at(14, 1, 5), at(14, 23, 59), at(15, 1, 0)}, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(TickRun(r.setting, "0", r.ticks).reboots, r.reboots);
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
        EXPECT_EQ(TickRun("03:00", r.setting, everyMinute(at(14, 10, 0), r.ticks)).refreshTicks, r.expected);
    }
}
