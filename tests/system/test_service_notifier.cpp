#include "system/service_notifier.h"
#include "system/startup_keep_alive.h"

#include "support/core_fakes.h"
#include "support/notify_socket.h"

#include <QThread>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

using namespace zepril;
using namespace zepril::test;

TEST(ServiceNotifier, PingsFromTheEventLoopOnlyAndOnlyForItsOwnWatchdog)
{
    EXPECT_FALSE(ServiceNotifier().enabled()) << "outside a service";
    EXPECT_EQ(ServiceNotifier().pingIntervalMs(), 0);

    NotifySocket socket;
    qputenv("NOTIFY_SOCKET", socket.path);
    qputenv("WATCHDOG_USEC", "100000");
    qputenv("WATCHDOG_PID", QByteArray::number(qint64(getpid()) + 1));
    ServiceNotifier other; // the watchdog watches another process: never pinged from here
    EXPECT_EQ(other.pingIntervalMs(), 0);
    other.startWatchdog();
    QTest::qWait(150);
    EXPECT_TRUE(socket.drain().isEmpty());
    qunsetenv("WATCHDOG_PID");
    ServiceNotifier notifier;
    ASSERT_EQ(notifier.pingIntervalMs(), 50);
    notifier.notifyReady(QStringLiteral("playing"));
    notifier.notifyReady(QStringLiteral("playing again"));
    notifier.startWatchdog();
    QTest::qWait(300);
    const QList<QByteArray> first = socket.drain();
    EXPECT_EQ(first.value(0), QByteArray("READY=1\nSTATUS=playing"));
    EXPECT_EQ(first.count(QByteArray("WATCHDOG=1")), first.size() - 1);
    EXPECT_GE(first.size() - 1, 4) << "pings while the event loop runs";

    // The UI thread hangs: nothing may tell the service manager that all is well.
    QThread::msleep(400);
    EXPECT_TRUE(socket.drain().isEmpty());
    QTest::qWait(200);
    EXPECT_FALSE(socket.drain().isEmpty()) << "pings resume with the event loop";
    for (const char* name : {"NOTIFY_SOCKET", "WATCHDOG_USEC"})
        qunsetenv(name);
}

TEST(StartupKeepAlive, ALongDownloadIsKeptAliveWhileItMovesAndNoLongerOnceItStalls)
{
    NotifySocket socket;
    qputenv("NOTIFY_SOCKET", socket.path);
    ServiceNotifier notifier;
    qunsetenv("NOTIFY_SOCKET");
    RecordingReporter window;
    LogCapture quiet;
    qint64 now = 0;
    StartupKeepAlive keepAlive(window, notifier, 120000, 5000, [&now] { return now; });
    QList<qint64> sentAt; // when each extension went, in simulated milliseconds
    QByteArray last;
    const auto report = [&](const QString& status, double bytes) {
        now += 100;
        keepAlive.setStatus(status);
        keepAlive.showStage(7);
        keepAlive.setFileSize(QString::number(qint64(bytes)) + QStringLiteral(" octets"));
        keepAlive.setProgressValue(bytes);
        for (const QByteArray& d : socket.drain())
            sentAt << now, last = d;
    };
    report(QStringLiteral("Chargement des options"), 0);
    keepAlive.setProgressRange(0, 19.5e6);
    // 19.5 MB at 64 KB/s, a step every 100 ms: 300 s of bytes, never near a grace's end.
    for (double bytes = 6400; bytes <= 19.5e6; bytes += 6400)
        report(QStringLiteral("TELECHARGEMENT [ long.mp4 ]"), bytes);
    EXPECT_TRUE(last.startsWith("EXTEND_TIMEOUT_USEC=120000000\nSTATUS=starting: TELECHARGEMENT [ long.mp4 ] (19")
                && last.endsWith(" octets)")) << last.constData();
    EXPECT_EQ(window.progressValue(), 19494400) << "every report reaches the window";
    EXPECT_GT(sentAt.size(), 55);
    for (qsizetype i = 1; i < sentAt.size(); ++i)
        ASSERT_LE(sentAt[i] - sentAt[i - 1], 5100) << "at " << sentAt[i];

    // Stalled: the same bytes, status and stage again tell nothing; the grace runs out.
    const qsizetype before = sentAt.size();
    for (int i = 0; i < 1500; ++i)
        report(QStringLiteral("TELECHARGEMENT [ long.mp4 ]"), 19494400);
    EXPECT_EQ(sentAt.size(), before);

    // Once the channel plays, READY ends the start-up: no extension after it.
    notifier.notifyReady(QStringLiteral("playing"));
    report(QStringLiteral("Constitution de la Playlist"), 0);
    EXPECT_EQ(last, "READY=1\nSTATUS=playing");
}
