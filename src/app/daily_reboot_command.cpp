#include "app/daily_reboot_command.h"

#include "core/program_paths.h"
#include "core/settings.h"
#include "system/daily_reboot.h"
#include "system/status_file.h"

#include <QTextStream>

namespace zepril {

namespace {
// majvid_heure read as --reboot-time reads it.
std::optional<QTime> configuredRebootTime(const ProgramPaths& paths, const QDateTime& now)
{
    const std::optional<QDateTime> next = nextDailyTime(readSettings(paths.configIni()).majvid_heure, now);
    return next ? std::optional<QTime>(next->time()) : std::nullopt;
}
}

int dailyRebootDueCommand(const ProgramPaths& paths, const QString& unitState, QTextStream& out)
{
    const QDateTime now = QDateTime::currentDateTime();
    const DailyRebootDecision decision = decideDailyReboot(
        {now, bootTime(now), readLastDailyReboot(paths), configuredRebootTime(paths, now), unitState});
    out << (decision.due ? "due: " : "not due: ") << decision.reason << '\n';
    return decision.due ? 0 : 1;
}

int recordDailyRebootCommand(const ProgramPaths& paths, QTextStream& out)
{
    if (!recordDailyReboot(paths, QDateTime::currentDateTime()))
        return 1;
    out << "daily reboot recorded in " << dailyRebootRecordFile(paths) << '\n';
    return 0;
}

}
