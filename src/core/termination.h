#pragma once
// SIGTERM and SIGINT as a Qt signal: a service manager's stop must end the player
// cleanly (transfers stopped, journal as it is, exit status 0), which a signal handler
// cannot do itself. The handler only writes a byte into a socket pair; a notifier on
// the other end tells the event loop.
#include <QObject>

class QSocketNotifier;

namespace zepril {

class TerminationWatcher final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationWatcher)
public:
    // Installs the handlers for SIGTERM and SIGINT; one watcher per process.
    explicit TerminationWatcher(QObject* parent = nullptr);
    // Puts the default actions back.
    ~TerminationWatcher() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier* m_notifier = nullptr;
};

}
