#pragma once
// One player per program directory: two players on one directory would delete each
// other's downloads in progress. The lock is an flock(2) on a file in cfg/, held for
// the whole run; the system releases it when the process ends, however it ends.
#include "core/program_paths.h"

#include <QString>

namespace zepril {

class ProgramLock final {
public:
    // Takes the lock of paths' directory, or finds who holds it. Touches nothing else.
    explicit ProgramLock(const ProgramPaths& paths);
    ~ProgramLock();
    ProgramLock(const ProgramLock&) = delete;
    ProgramLock& operator=(const ProgramLock&) = delete;

    // False only when another process holds the lock. A lock file that cannot be
    // opened at all (a read-only cfg/) does not stop the player: it runs unguarded.
    bool acquired() const { return m_acquired; }
    // The pid written by the process that holds the lock; 0 when unknown.
    qint64 holderPid() const { return m_holderPid; }
    QString filePath() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
    bool m_acquired = false;
    qint64 m_holderPid = 0;
};

}
