#include "system/service_notifier.h"

#include "core/exit_reasons.h"
#include "core/logging.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace zepril {

ServiceNotifier::ServiceNotifier(QObject* parent) : QObject(parent)
{
    m_socket = qgetenv("NOTIFY_SOCKET");
    bool ok = false;
    const qint64 usec = qEnvironmentVariable("WATCHDOG_USEC").toLongLong(&ok);
    const QByteArray pid = qgetenv("WATCHDOG_PID");
    // A watchdog meant for another process (a parent script) is not ours to feed.
    const bool forUs = pid.isEmpty() || pid.toLongLong() == qint64(getpid());
    if (ok && usec > 0 && forUs && enabled())
        m_pingMs = int(qMax<qint64>(1, usec / 2000));
    noteWatchdogPeriod(qint64(m_pingMs) * 2);
    m_watchdog.setObjectName(QStringLiteral("WatchdogPing"));
    m_watchdog.setInterval(m_pingMs);
    connect(&m_watchdog, &QTimer::timeout, this, &ServiceNotifier::ping);
}

bool ServiceNotifier::send(const QByteArray& socketPath, const QByteArray& message)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.isEmpty() || size_t(socketPath.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(socketPath.size()));
    if (socketPath.startsWith('@'))
        address.sun_path[0] = '\0';
    else
        length += 1; // the terminating NUL of a path name
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const ssize_t sent = ::sendto(fd, message.constData(), size_t(message.size()), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&address), length);
    ::close(fd);
    return sent == message.size();
}

void ServiceNotifier::notifyReady(const QString& status)
{
    if (!enabled() || m_ready)
        return;
    m_ready = true;
    if (!send(m_socket, "READY=1\nSTATUS=" + status.toUtf8()))
        qCWarning(lcSystem) << "could not tell the service manager that the channel is ready";
    else
        qCInfo(lcSystem) << "service manager told: ready";
}

void ServiceNotifier::notifyStatus(const QString& status)
{
    if (enabled())
        send(m_socket, "STATUS=" + status.toUtf8());
}

void ServiceNotifier::notifyStopping()
{
    if (enabled())
        send(m_socket, "STOPPING=1");
}

void ServiceNotifier::extendStartup(int graceMs, const QString& status)
{
    if (!enabled() || m_ready)
        return;
    send(m_socket, "EXTEND_TIMEOUT_USEC=" + QByteArray::number(qint64(graceMs) * 1000) + "\nSTATUS=" + status.toUtf8());
}

void ServiceNotifier::startWatchdog()
{
    if (m_pingMs <= 0)
        return;
    qCInfo(lcSystem) << "watchdog ping every" << m_pingMs << "ms";
    ping();
    m_watchdog.start();
}

void ServiceNotifier::ping()
{
    noteWatchdogPing();
    send(m_socket, "WATCHDOG=1");
}

}
