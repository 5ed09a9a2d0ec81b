#include "core/program_lock.h"

#include "core/logging.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zepril {

ProgramLock::ProgramLock(const ProgramPaths& paths) : m_path(paths.cfg() + QStringLiteral("/zepril.lock"))
{
    const QByteArray path = QFile::encodeName(m_path);
    // O_CLOEXEC: a reboot command started by the player must not inherit the lock.
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        qCWarning(lcStartup).noquote() << "cannot open the lock file" << m_path << "-" << std::strerror(errno)
                                       << "- running without the one-player guard";
        m_acquired = true;
        return;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            char buffer[32] = {};
            const ssize_t n = ::pread(m_fd, buffer, sizeof buffer - 1, 0);
            m_holderPid = n > 0 ? QByteArray(buffer, int(n)).trimmed().toLongLong() : 0;
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        qCWarning(lcStartup).noquote() << "cannot lock" << m_path << "-" << std::strerror(error)
                                       << "- running without the one-player guard";
        m_acquired = true;
        return;
    }
    m_acquired = true;
    // The pid is only for the message of a second start; the lock itself is the flock.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(m_fd, 0) != 0 || ::pwrite(m_fd, pid.constData(), size_t(pid.size()), 0) != pid.size())
        qCWarning(lcStartup).noquote() << "cannot write the pid into" << m_path << "-" << std::strerror(errno);
}

ProgramLock::~ProgramLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

}
