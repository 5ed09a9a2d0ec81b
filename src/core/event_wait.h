#pragma once
// The one place where the player runs its event loop from inside a call.
//
// The start-up, the category synchronization and the panel's commands are sequences of
// steps (fetch, then write, then the next), while the clock, the banner, the video and
// the watchdog must go on meanwhile. A step that waits lets the event loop run through
// here and nowhere else. The price is re-entrancy: any slot may run inside such a wait,
// so a caller never waits while it holds a half-changed state.
#include <QObject>

class QEventLoop;

namespace zepril {

// Lets the events already queued run once: paint, timers, a transfer's progress.
void letEventsRun();

// Sleeps in the event loop until woken, so that a wait for another thread or for a
// signal costs no CPU while timers and repaints go on. A wake that comes before the
// sleep is kept: the next sleep returns at once, so a wake cannot be missed between a
// check and the sleep. Callers check their condition again after every sleep.
class EventSleeper final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EventSleeper)
public:
    enum class End { Woken, TimedOut, Quitting };

    using QObject::QObject;

    // timeoutMs < 0: no timeout. Quitting: the application is ending and the event loop
    // no longer runs; the caller must not sleep again.
    End sleep(int timeoutMs = -1);

public slots:
    // From another thread: QMetaObject::invokeMethod(&sleeper, &EventSleeper::wake, Qt::QueuedConnection).
    void wake();

private:
    QEventLoop* m_loop = nullptr;
    bool m_woken = false;
};

}
