#include "core/event_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <utility>

namespace zepril {

void letEventsRun() { QCoreApplication::processEvents(); }

EventSleeper::End EventSleeper::sleep(int timeoutMs)
{
    if (std::exchange(m_woken, false))
        return End::Woken;
    QEventLoop loop;
    QTimer timer;
    bool timedOut = false;
    if (timeoutMs >= 0) {
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        timer.start(timeoutMs);
    }
    QEventLoop* outer = std::exchange(m_loop, &loop);
    // Once the application is quitting, a loop returns at once with -1.
    const int code = loop.exec();
    m_loop = outer;
    m_woken = false;
    if (code < 0)
        return End::Quitting;
    return timedOut ? End::TimedOut : End::Woken;
}

void EventSleeper::wake()
{
    if (m_loop)
        m_loop->quit();
    else
        m_woken = true;
}

}
