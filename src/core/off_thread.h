#pragma once
// Runs blocking work (a disk flush, a wait on a server) on a thread of its own while the
// calling thread's event loop goes on serving the clock, the banner and the player. The
// caller gets the result only once the work is over, so a sequence of steps keeps its
// order. A thread without an event loop runs the work in place.
#include "core/event_wait.h"

#include <QMetaObject>
#include <QThread>

#include <thread>
#include <type_traits>

namespace zepril {

template <typename Work>
std::invoke_result_t<Work&> runOffThread(Work work)
{
    if (!QThread::currentThread()->eventDispatcher())
        return work();
    std::invoke_result_t<Work&> result{};
    EventSleeper sleeper;
    std::thread worker([&] {
        result = work();
        QMetaObject::invokeMethod(&sleeper, &EventSleeper::wake, Qt::QueuedConnection);
    });
    sleeper.sleep();
    worker.join(); // at once, unless the application is quitting and ended the sleep early
    return result;
}

}
