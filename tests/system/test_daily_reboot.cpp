#include "system/daily_reboot.h"

#include "core/program_paths.h"
#include "support/temp_tree.h"
#include "system/reboot.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(DailyReboot, OnlyAMachineUpSinceBeforeTheMinuteAndNotYetRebootedThatDayIsRebooted)
{
    const QDate day(2026, 12, 8);
    const auto at
        = [&](int h, int m, int s = 0, int dayOffset = 0) { return QDateTime(day.addDays(dayOffset), QTime(h, m, s)); };
    const QDateTime longAgo = at(3, 0, 25, -2), now = at(3, 0, 30);
    const QTime three(3, 0);
    const struct {
        QDateTime now, bootedAt;
        std::optional<QDate> last;
        std::optional<QTime> time;
        const char* state;
        bool due;
        const char* reason;
    } rows[] = {
        {now, longAgo, {}, {}, "inactive", false, "names no time"},
        {now, longAgo, {}, three, "inactive", true, "the channel is inactive"}, // stopped with Q
        {now, longAgo, day.addDays(-1), three, "failed", true, "up since 2026-12-06 03:00:25"},
        {now, longAgo, {}, three, "activating", true, "daily reboot at 03:00"}, // restarting in the minute
        {now, at(3, 0, 20), {}, three, "activating", false, "booted at 2026-12-08 03:00:20"}, // record lost
        {now, at(3, 0, 20), day, three, "activating", false, "already asked"}, // the player rebooted it
        {now, longAgo, day, three, "failed", false, "already asked"},
        {now, at(2, 52), {}, three, "activating", false, "fresh start of 03:00"}, // power back just before
        {now, at(2, 49, 59), {}, three, "inactive", true, "daily reboot"},
        {now, longAgo, {}, three, "active", false, "reboots by itself"},
        {now, longAgo, {}, three, "reloading", false, "reboots by itself"},
        {at(2, 59, 30), longAgo, {}, three, "inactive", false, "not the reboot time (03:00)"},
        {at(3, 4, 59), longAgo, {}, three, "inactive", true, "daily reboot"}, // a late tick
        {at(3, 5, 0), longAgo, {}, three, "inactive", false, "not the reboot time"},
        {now, QDateTime(), {}, three, "inactive", true, "daily reboot"}, // boot time unknown
        {now, longAgo, {}, three, "", true, "the player, up since"},
        {at(0, 1, 0, 1), longAgo, {}, QTime(23, 58), "failed", true, "daily reboot at 23:58"},
        {at(0, 1, 0, 1), longAgo, day, QTime(23, 58), "failed", false, "of 2026-12-08 was already"},
    };
    for (const auto& r : rows) {
        const DailyRebootDecision d
            = decideDailyReboot({r.now, r.bootedAt, r.last, r.time, QString::fromLatin1(r.state)});
        EXPECT_EQ(d.due, r.due) << d.reason.toStdString();
        EXPECT_TRUE(d.reason.contains(QLatin1String(r.reason))) << d.reason.toStdString();
    }
    EXPECT_LT(bootTime(now).secsTo(now), 5 * 365 * 86400);
}

TEST(DailyReboot, APlayerRestartedJustAfterTheMinuteAsksOnceAndRecordsIt)
{
    struct Counting final : Rebooter {
        bool requestReboot() override { return ++requests > 0; }
        int requests = 0;
    } rebooter;
    zepril::test::TempTree tree;
    tree.mkdir("cfg");
    const ProgramPaths paths(tree.root());
    const QDateTime now(QDate(2026, 12, 8), QTime(3, 0, 40));
    askMissedDailyReboot(paths, now, now.addSecs(-30), QTime(3, 0), rebooter);
    EXPECT_EQ(rebooter.requests, 0) << "this boot is the day's reboot";
    askMissedDailyReboot(paths, now, now.addDays(-3), QTime(3, 0), rebooter);
    askMissedDailyReboot(paths, now.addSecs(30), now.addDays(-3), QTime(3, 0), rebooter);
    EXPECT_EQ(rebooter.requests, 1);
    EXPECT_EQ(tree.read("cfg/daily_reboot.txt"), "2026-12-08T03:00:40\r\n");
}
