#include "app/command_line.h"

#include "app/daily_reboot_command.h"
#include "app/fleet_commands.h"
#include "core/program_paths.h"
#include "core/reboot_time.h"
#include "core/settings.h"
#include "core/tree_check.h"
#include "system/status_file.h"

#include <QCoreApplication>
#include <QTextStream>

namespace zepril {

namespace {

int checkConfig(const ProgramPaths& paths, QTextStream& out)
{
    QStringList configWarnings;
    for (const ConfigWarning& w : settingsWarnings(paths.configIni()))
        configWarnings << w.text;
    const QList<TreeFinding> findings = checkProgramTree(paths.root(), configWarnings);
    for (const TreeFinding& f : findings)
        out << (f.severity == TreeFinding::Error ? "error: " : "warning: ") << f.text << '\n';
    const bool bad = hasErrors(findings);
    out << paths.root() << ": "
        << (bad                      ? "the channel cannot run"
                : findings.isEmpty() ? "ready"
                                     : "the channel can run")
        << '\n';
    return bad ? 1 : 0;
}

int printStatus(const ProgramPaths& paths, QTextStream& out)
{
    const QString file = paths.root() + QStringLiteral("/status.json");
    const auto text = readStatusFile(file);
    if (!text) {
        out << "no status in " << file << ": the player has not run here yet\n";
        return 1;
    }
    out << QString::fromUtf8(*text);
    return 0;
}

int printRebootTime(const ProgramPaths& paths, QTextStream& out)
{
    // The reading the player's own scheduler makes, so that the timer that reboots a
    // stopped channel agrees with it.
    const std::optional<QTime> time = rebootTimeOfDay(readSettings(paths.configIni()).majvid_heure);
    if (!time)
        return 1;
    out << time->toString(QStringLiteral("hh:mm")) << '\n';
    return 0;
}

}

std::optional<int> runTechnicianCommand(const QStringList& arguments, const ProgramPaths& paths, QTextStream& out)
{
    if (arguments.contains(QLatin1String("--check-config")))
        return checkConfig(paths, out);
    if (const auto answered = askRunningPlayer(arguments, paths, out))
        return answered;
    if (arguments.contains(QLatin1String("--status")))
        return printStatus(paths, out);
    if (arguments.contains(QLatin1String("--reboot-time")))
        return printRebootTime(paths, out);
    if (const qsizetype at = arguments.indexOf(QLatin1String("--daily-reboot-due")); at >= 0)
        return dailyRebootDueCommand(paths, arguments.value(at + 1), out);
    if (arguments.contains(QLatin1String("--record-daily-reboot")))
        return recordDailyRebootCommand(paths, out);
    if (arguments.contains(QLatin1String("--version"))) {
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }
    return std::nullopt;
}

}
