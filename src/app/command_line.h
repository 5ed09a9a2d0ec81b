#pragma once
// The technician's commands that answer and end without starting the channel:
// --check-config, --status, --reboot-time, --daily-reboot-due [UNIT-STATE],
// --record-daily-reboot, --version. They need no display.
#include <QStringList>

#include <optional>

class QTextStream;

namespace zepril {

class ProgramPaths;

// The exit status when the arguments name one of the commands (its output written to
// out), nothing when the channel is to start.
std::optional<int> runTechnicianCommand(const QStringList& arguments, const ProgramPaths& paths, QTextStream& out);

}
