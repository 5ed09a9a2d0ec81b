#include "system/service_notifier.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

using namespace zepril;

namespace {

// A notification socket in a temporary folder, standing in for the service manager's.
class NotifySocket {
public:
    NotifySocket()
    {
        path = (dir.path() + QStringLiteral("/notify")).toUtf8();
        fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.constData(), sizeof(a.sun_path) - 1);
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
    }
    ~NotifySocket() { ::close(fd); }
    // Every datagram waiting now, without blocking.
    QList<QByteArray> drain()
    {
        QList<QByteArray> got;
        char buffer[512];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
            got << QByteArray(buffer, int(n));
        return got;
    }

    QTemporaryDir dir;
    QByteArray path;
    int fd = -1;
};

void runEventsFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct ScopedEnv {
    ScopedEnv(const char* n, const QByteArray& v) : name(n) { qputenv(name, v); }
    ~ScopedEnv() { qunsetenv(name); }
    const char* name;
};

}

TEST(ServiceNotifier, PingsFromTheEventLoopAndAFrozenThreadStopsThePings)
{
    NotifySocket manager;
    ScopedEnv socket("NOTIFY_SOCKET", manager.path);
    ScopedEnv period("WATCHDOG_USEC", "100000");
    ServiceNotifier notifier;
    ASSERT_EQ(notifier.pingIntervalMs(), 50);

    notifier.notifyReady(QStringLiteral("playing"));
    notifier.notifyReady(QStringLiteral("playing again"));
    notifier.startWatchdog();
    runEventsFor(300);
    const QList<QByteArray> first = manager.drain();
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(first.first(), QByteArray("READY=1\nSTATUS=playing"));
    EXPECT_EQ(first.count(QByteArray("WATCHDOG=1")), first.size() - 1);
    EXPECT_GE(first.size() - 1, 4) << "pings while the event loop runs";

    // The UI thread hangs: nothing may tell the service manager that all is well.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_TRUE(manager.drain().isEmpty());

    runEventsFor(200);
    EXPECT_FALSE(manager.drain().isEmpty()) << "pings resume with the event loop";
}

TEST(ServiceNotifier, SilentOutsideAServiceOrWhenTheWatchdogIsAnotherProcesss)
{
    {
        ServiceNotifier notifier;
        EXPECT_FALSE(notifier.enabled());
        EXPECT_EQ(notifier.pingIntervalMs(), 0);
    }
    NotifySocket manager;
    ScopedEnv socket("NOTIFY_SOCKET", manager.path);
    ScopedEnv period("WATCHDOG_USEC", "100000");
    ScopedEnv pid("WATCHDOG_PID", QByteArray::number(qint64(getpid()) + 1));
    ServiceNotifier notifier;
    EXPECT_TRUE(notifier.enabled());
    EXPECT_EQ(notifier.pingIntervalMs(), 0);
    notifier.startWatchdog();
    runEventsFor(150);
    EXPECT_TRUE(manager.drain().isEmpty());
}
