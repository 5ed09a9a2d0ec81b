#include "system/daily_reboot.h"

#include "core/program_paths.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

using namespace zepril;
using namespace zepril::test;

TEST(DailyReboot, OnlyAMachineUpSinceBeforeTheMinuteAndNotYetRebootedThatDayIsRebooted)
{
    const QDate day(2026, 12, 8);
    const auto at
        = [&](int h, int m, int s = 0, int dayOffset = 0) { return QDateTime(day.addDays(dayOffset), QTime(h, m, s)); };
    const QDateTime longAgo = at(3, 0, 25, -2);
    struct Row {
        const char* what;
        QDateTime now, bootedAt;
        std::optional<QDate> last;
        std::optional<QTime> time;
        const char* state;
        bool due;
        const char* reason;
    };
    const QTime three(3, 0);
    const Row rows[] = {
        {"no time", at(3, 0, 30), longAgo, {}, {}, "inactive", false, "names no time"},
        {"stopped with Q", at(3, 0, 30), longAgo, {}, three, "inactive", true, "the channel is inactive"},
        {"failed", at(3, 0, 30), longAgo, day.addDays(-1), three, "failed", true, "up since 2026-12-06 03:00:25"},
        {"restarting in the minute", at(3, 0, 30), longAgo, {}, three, "activating", true, "daily reboot at 03:00"},
        {"the player rebooted it, record lost",
         at(3, 0, 30),
         at(3, 0, 20),
         {},
         three,
         "activating",
         false,
         "booted at 2026-12-08 03:00:20"},
        {"the player rebooted it", at(3, 0, 30), at(3, 0, 20), day, three, "activating", false, "already asked"},
        {"recorded, booted long ago", at(3, 0, 30), longAgo, day, three, "failed", false, "already asked"},
        {"power back just before", at(3, 0, 30), at(2, 52), {}, three, "activating", false, "fresh start of 03:00"},
        {"booted well before", at(3, 0, 30), at(2, 49, 59), {}, three, "inactive", true, "daily reboot"},
        {"the player runs", at(3, 0, 30), longAgo, {}, three, "active", false, "reboots by itself"},
        {"reloading", at(3, 0, 30), longAgo, {}, three, "reloading", false, "reboots by itself"},
        {"a minute early", at(2, 59, 30), longAgo, {}, three, "inactive", false, "not the reboot time (03:00)"},
        {"a late tick", at(3, 4, 59), longAgo, {}, three, "inactive", true, "daily reboot"},
        {"too late", at(3, 5, 0), longAgo, {}, three, "inactive", false, "not the reboot time"},
        {"boot time unknown", at(3, 0, 30), QDateTime(), {}, three, "inactive", true, "daily reboot"},
        {"the player asks", at(3, 0, 30), longAgo, {}, three, "", true, "the player, up since"},
        {"past midnight", at(0, 1, 0, 1), longAgo, {}, QTime(23, 58), "failed", true, "daily reboot at 23:58"},
        {"past midnight, done", at(0, 1, 0, 1), longAgo, day, QTime(23, 58), "failed", false,
         "of 2026-12-08 was already"},
    };
    for (const Row& r : rows) {
        const DailyRebootDecision d
            = decideDailyReboot({r.now, r.bootedAt, r.last, r.time, QString::fromLatin1(r.state)});
        EXPECT_EQ(d.due, r.due) << r.what << ": " << d.reason.toStdString();
        EXPECT_TRUE(d.reason.contains(QLatin1String(r.reason))) << r.what << ": " << d.reason.toStdString();
    }
}

TEST(DailyReboot, TheRecordKeepsTheDayOfTheLastRequestAndBootTimeIsInThePast)
{
    TempTree tree;
    tree.mkdir(QStringLiteral("cfg"));
    const ProgramPaths paths(tree.root());
    EXPECT_EQ(readLastDailyReboot(paths), std::nullopt);
    tree.write("cfg/daily_reboot.txt", "garbage\r\n");
    EXPECT_EQ(readLastDailyReboot(paths), std::nullopt);
    ASSERT_TRUE(recordDailyReboot(paths, QDateTime(QDate(2026, 12, 8), QTime(3, 0, 12))));
    EXPECT_EQ(tree.read("cfg/daily_reboot.txt"), "2026-12-08T03:00:12\r\n");
    EXPECT_EQ(readLastDailyReboot(paths), QDate(2026, 12, 8));
    EXPECT_FALSE(recordDailyReboot(ProgramPaths(tree.root() + "/missing"), QDateTime::currentDateTime()));

    const QDateTime now = QDateTime::currentDateTime();
    EXPECT_LT(bootTime(now), now);
    EXPECT_GT(bootTime(now), now.addYears(-5));
}
