#pragma once
// Whether the daily reboot is due, from facts that do not depend on how long the channel
// takes to start: the time, when the machine booted, the date of the last daily reboot
// kept in the program tree and, for the timer that stands in when the player does not
// run, the state of the channel's unit. A machine that has just booted is never rebooted
// again, whatever state its channel is in.
#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

namespace zepril {

class ProgramPaths;
class Rebooter;

struct DailyRebootFacts {
    QDateTime now;
    QDateTime bootedAt;                   // invalid when unknown
    std::optional<QDate> lastDailyReboot; // from the record; nothing when there is none
    std::optional<QTime> rebootTime;      // majvid_heure; nothing when it names no time
    // The channel's unit as `systemctl is-active` names it; empty when the player itself asks.
    QString unitState;
};

struct DailyRebootDecision {
    bool due = false;
    QString reason; // one line for the journal and the technician
};

// How late after the reboot minute the timer may still reboot (a tick held back), and
// how long before it a boot already counts as that day's fresh start.
inline constexpr int kDailyRebootLateSeconds = 5 * 60;
inline constexpr int kFreshBootSeconds = 10 * 60;

DailyRebootDecision decideDailyReboot(const DailyRebootFacts& facts);

// The record of the last daily reboot asked for, in the program tree (cfg/daily_reboot.txt,
// one line: the local date and time of the request, ISO 8601), so that it survives the
// reboot it records and both the player and the timer read the same one.
QString dailyRebootRecordFile(const ProgramPaths& paths);
std::optional<QDate> readLastDailyReboot(const ProgramPaths& paths);
bool recordDailyReboot(const ProgramPaths& paths, const QDateTime& askedAt);

// The player's own daily reboot, once its minute has come: not a second time the same
// day (a player restarted meanwhile has forgotten the first), and recorded before it is
// asked for, since the reboot ends the player.
void askDailyRebootOnce(const ProgramPaths& paths, const QDateTime& now, Rebooter& rebooter);

// At the end of a start-up: a player started again just after its reboot minute (a crash,
// a quick restart) would miss that day's reboot, since its first tick comes a minute after
// its start and the timer leaves a running channel to reboot by itself.
void askMissedDailyReboot(const ProgramPaths& paths, const QDateTime& now, const QDateTime& bootedAt,
                          std::optional<QTime> rebootTime, Rebooter& rebooter);

// When this machine booted: now less the time since boot (suspended time included).
QDateTime bootTime(const QDateTime& now);

}
