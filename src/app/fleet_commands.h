#pragma once
// The technician's questions to a running player: --status, --metrics and
// --screenshot FILE go over the player's local socket when it runs and fall back to
// the files it last wrote when it does not.
#include <QStringList>

#include <optional>

class QTextStream;

namespace zepril {

class ProgramPaths;

// The exit status when the arguments ask one of these and it was answered, nothing
// otherwise (a --status the player did not answer is then read from the file).
// Notes about where an answer came from go to standard error.
std::optional<int> askRunningPlayer(const QStringList& arguments, const ProgramPaths& paths, QTextStream& out);

}
