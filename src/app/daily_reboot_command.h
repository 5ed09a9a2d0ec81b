#pragma once
// The daily reboot timer's two commands, for when the player does not run: whether the
// reboot is due now (exit 0, or 1 when not, with the reason on one line either way) and
// the record of the reboot the timer is about to ask for.
#include <QString>

class QTextStream;

namespace zepril {

class ProgramPaths;

// unitState: the channel's unit as `systemctl is-active` prints it.
int dailyRebootDueCommand(const ProgramPaths& paths, const QString& unitState, QTextStream& out);
int recordDailyRebootCommand(const ProgramPaths& paths, QTextStream& out);

}
