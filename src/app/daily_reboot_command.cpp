#include "app/daily_reboot_command.h"

#include "core/program_paths.h"
#include "core/reboot_time.h"
#include "core/settings.h"
#include "system/daily_reboot.h"

#include <QTextStream>

namespace zepril {

int dailyRebootDueCommand(const ProgramPaths& paths, const QString& unitState, QTextStream& out)
{
    const QDateTime now = QDateTime::currentDateTime();
    const DailyRebootDecision decision =
        decideDailyReboot({now, bootTime(now), readLastDailyReboot(paths),
                           rebootTimeOfDay(readSettings(paths.configIni()).majvid_heure), unitState});
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
