#pragma once
// Tells systemd how the channel is doing when it runs as a notify service: READY once
// the channel plays, WATCHDOG pings from the UI thread, so that a frozen UI thread
// stops them and the service manager restarts the player, and, before READY, longer
// start-up time while the start-up still moves. Does nothing elsewhere.
#include <QByteArray>
#include <QObject>
#include <QTimer>

namespace zepril {

class ServiceNotifier final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServiceNotifier)
public:
    // Reads NOTIFY_SOCKET, WATCHDOG_USEC and WATCHDOG_PID from the environment.
    explicit ServiceNotifier(QObject* parent = nullptr);

    bool enabled() const { return !m_socket.isEmpty(); }
    // Half the watchdog period, or 0 when no watchdog is asked for.
    int pingIntervalMs() const { return m_pingMs; }

    // Sends READY=1 the first time only, with the status line systemctl shows.
    void notifyReady(const QString& status);
    void notifyStatus(const QString& status);
    void notifyStopping();
    // Before READY only: the start may go on for graceMs more from now (the service
    // manager's start timeout still holds as a minimum), with what it is doing.
    void extendStartup(int graceMs, const QString& status);
    bool ready() const { return m_ready; }
    // Pings from the thread that owns this object, on its event loop.
    void startWatchdog();

    // One datagram to a notification socket ("@name" for an abstract one).
    static bool send(const QByteArray& socketPath, const QByteArray& message);

private:
    void ping();

    QByteArray m_socket;
    int m_pingMs = 0;
    bool m_ready = false;
    QTimer m_watchdog;
};

}
