#include "system/daily_reboot.h"

#include "core/file_helpers.h"
#include "core/logging.h"
#include "core/program_paths.h"
#include "system/reboot.h"

#include <QFile>
#include <QSaveFile>

#include <time.h>

namespace zepril {

namespace {
QString at(const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")); }
}

DailyRebootDecision decideDailyReboot(const DailyRebootFacts& f)
{
    if (!f.rebootTime)
        return {false, QStringLiteral("no daily reboot: majvid_heure names no time")};
    const QString hhmm = f.rebootTime->toString(QStringLiteral("hh:mm"));
    if (f.lastDailyReboot == f.now.date())
        return {false,
                QStringLiteral("today's reboot was already asked for (") + f.lastDailyReboot->toString(Qt::ISODate)
                    + QLatin1Char(')')};
    // Today's reboot minute, or yesterday's when now is just past midnight and the minute
    // just before it.
    QDateTime slot(f.now.date(), *f.rebootTime, f.now.timeSpec());
    if (slot > f.now)
        slot = slot.addDays(-1);
    if (f.lastDailyReboot == slot.date())
        return {false,
                QStringLiteral("the reboot of ") + slot.date().toString(Qt::ISODate)
                    + QStringLiteral(" was already asked for")};
    const qint64 late = slot.secsTo(f.now);
    if (late < 0 || late >= kDailyRebootLateSeconds)
        return {false, QStringLiteral("not the reboot time (") + hhmm + QLatin1Char(')')};
    if (f.bootedAt.isValid() && f.bootedAt.secsTo(slot) < kFreshBootSeconds)
        return {false,
                QStringLiteral("booted at ") + at(f.bootedAt) + QStringLiteral(": this boot is the fresh start of ")
                    + hhmm};
    if (f.unitState == QLatin1String("active") || f.unitState == QLatin1String("reloading"))
        return {false, QStringLiteral("the channel runs and reboots by itself")};
    const QString who =
        f.unitState.isEmpty() ? QStringLiteral("the player") : QStringLiteral("the channel is ") + f.unitState;
    return {true, who + QStringLiteral(", up since ") + at(f.bootedAt) + QStringLiteral(": daily reboot at ") + hhmm};
}

QString dailyRebootRecordFile(const ProgramPaths& paths)
{
    return joinPath(paths.cfg(), QStringLiteral("daily_reboot.txt"));
}

std::optional<QDate> readLastDailyReboot(const ProgramPaths& paths)
{
    QFile file(dailyRebootRecordFile(paths));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QDate date = QDate::fromString(QString::fromLatin1(file.read(10)), Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

bool recordDailyReboot(const ProgramPaths& paths, const QDateTime& askedAt)
{
    QSaveFile file(dailyRebootRecordFile(paths));
    if (!file.open(QIODevice::WriteOnly) || file.write(askedAt.toString(Qt::ISODate).toLatin1() + "\r\n") < 0
        || !file.commit()) {
        qCWarning(lcScheduler).noquote() << "cannot record the daily reboot in" << file.fileName() << "-"
                                         << file.errorString() << ": only the boot time keeps it from coming twice";
        return false;
    }
    return true;
}

void askDailyRebootOnce(const ProgramPaths& paths, const QDateTime& now, Rebooter& rebooter)
{
    if (readLastDailyReboot(paths) == now.date()) {
        qCInfo(lcScheduler).noquote() << "daily reboot not asked again: today's is recorded in"
                                      << dailyRebootRecordFile(paths);
        return;
    }
    recordDailyReboot(paths, now);
    requestRebootNow(rebooter);
}

void askMissedDailyReboot(const ProgramPaths& paths, const QDateTime& now, const QDateTime& bootedAt,
                          std::optional<QTime> rebootTime, Rebooter& rebooter)
{
    const DailyRebootDecision decision = decideDailyReboot({now, bootedAt, readLastDailyReboot(paths), rebootTime, {}});
    if (!decision.due)
        return;
    qCInfo(lcScheduler).noquote() << "daily reboot missed while the player restarted:" << decision.reason;
    askDailyRebootOnce(paths, now, rebooter);
}

QDateTime bootTime(const QDateTime& now)
{
    timespec sinceBoot{};
    if (clock_gettime(CLOCK_BOOTTIME, &sinceBoot) != 0)
        return {};
    return now.addMSecs(-(qint64(sinceBoot.tv_sec) * 1000 + sinceBoot.tv_nsec / 1000000));
}

}
