// Blocking work off the calling thread, with its event loop served meanwhile.
#include "core/off_thread.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace zepril;

// The work can only end early if a timer of the caller's thread fires while it runs;
// held in place of the event loop, it gives up after five seconds and says so.
TEST(OffThread, TheCallersTimersRunWhileTheWorkWaitsAndItsResultComesBack)
{
    std::atomic<bool> ticked{false};
    QTimer::singleShot(5, [&] { ticked = true; });
    const auto started = std::chrono::steady_clock::now();
    const QString result = runOffThread([&] {
        while (!ticked && std::chrono::steady_clock::now() - started < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return ticked ? QStringLiteral("served") : QStringLiteral("held");
    });
    EXPECT_EQ(result, "served");
}
