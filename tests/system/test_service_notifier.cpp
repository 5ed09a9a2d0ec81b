#include "system/service_notifier.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtCore/qtestsupport_core.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace zepril;

TEST(ServiceNotifier, PingsFromTheEventLoopOnlyAndOnlyForItsOwnWatchdog)
{
    EXPECT_FALSE(ServiceNotifier().enabled()) << "outside a service";
    EXPECT_EQ(ServiceNotifier().pingIntervalMs(), 0);

    // A notification socket in a temporary folder, standing in for the service manager's.
    QTemporaryDir dir;
    const QByteArray path = (dir.path() + QStringLiteral("/notify")).toUtf8();
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, path.constData(), sizeof(address.sun_path));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    const auto drain = [fd] { // every datagram waiting now, without blocking
        QList<QByteArray> got;
        char buffer[512];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
            got << QByteArray(buffer, int(n));
        return got;
    };
    qputenv("NOTIFY_SOCKET", path);
    qputenv("WATCHDOG_USEC", "100000");
    qputenv("WATCHDOG_PID", QByteArray::number(qint64(getpid()) + 1));
    ServiceNotifier other; // the watchdog watches another process: never pinged from here
    EXPECT_EQ(other.pingIntervalMs(), 0);
    other.startWatchdog();
    QTest::qWait(150);
    EXPECT_TRUE(drain().isEmpty());
    qunsetenv("WATCHDOG_PID");
    ServiceNotifier notifier;
    ASSERT_EQ(notifier.pingIntervalMs(), 50);
    notifier.notifyReady(QStringLiteral("playing"));
    notifier.notifyReady(QStringLiteral("playing again"));
    notifier.startWatchdog();
    QTest::qWait(300);
    const QList<QByteArray> first = drain();
    EXPECT_EQ(first.value(0), QByteArray("READY=1\nSTATUS=playing"));
    EXPECT_EQ(first.count(QByteArray("WATCHDOG=1")), first.size() - 1);
    EXPECT_GE(first.size() - 1, 4) << "pings while the event loop runs";

    // The UI thread hangs: nothing may tell the service manager that all is well.
    QThread::msleep(400);
    EXPECT_TRUE(drain().isEmpty());
    QTest::qWait(200);
    EXPECT_FALSE(drain().isEmpty()) << "pings resume with the event loop";
    for (const char* name : {"NOTIFY_SOCKET", "WATCHDOG_USEC"})
        qunsetenv(name);
    ::close(fd);
}
