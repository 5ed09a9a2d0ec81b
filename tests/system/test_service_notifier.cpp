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
    ASSERT_TRUE(socket.bound);
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
    ASSERT_TRUE(socket.bound);
    qputenv("NOTIFY_SOCKET", socket.path);
    ServiceNotifier notifier;
    qunsetenv("NOTIFY_SOCKET");
    RecordingReporter window;
    LogCapture quiet;
    qint64 now = 0;
    StartupKeepAlive keepAlive(window, notifier, 120000, 5000, [&now] { return now; });
    QList<qint64> sentAt; // when each extension went, in simulated milliseconds
    const auto collect = [&] {
        for (const QByteArray& d : socket.drain()) {
            EXPECT_TRUE(d.startsWith("EXTEND_TIMEOUT_USEC=120000000\nSTATUS=starting: ")) << d.constData();
            sentAt << now;
        }
    };

    keepAlive.setStatus(QStringLiteral("Chargement des options... "));
    collect();
    ASSERT_EQ(sentAt, QList<qint64> {0});
    now = 1000; // a new stage within the notice period waits for the next one
    keepAlive.showStage(7);
    collect();
    EXPECT_EQ(sentAt.size(), 1);

    // One video of 19.5 MB at 64 KB/s: about 300 s of bytes, a progress step every 100 ms.
    now = 6000;
    keepAlive.setStatus(QStringLiteral("TELECHARGEMENT [ long.mp4 ]"));
    collect();
    const qsizetype downloadStart = sentAt.size() - 1;
    keepAlive.setProgressRange(0, 19.5e6);
    for (double bytes = 6400; bytes <= 19.5e6; bytes += 6400) {
        now += 100;
        keepAlive.setFileSize(QStringLiteral("%1 octets").arg(qint64(bytes)));
        keepAlive.setProgressValue(bytes);
        collect();
    }
    keepAlive.setStatus(QStringLiteral("fin"));
    collect();
    EXPECT_EQ(window.progressValue(), 19.5e6 - qint64(19.5e6) % 6400) << "every report reaches the window";
    qint64 widestGap = 0;
    for (qsizetype i = downloadStart + 1; i < sentAt.size(); ++i)
        widestGap = std::max(widestGap, sentAt[i] - sentAt[i - 1]);
    EXPECT_GT(sentAt.size(), 55);
    EXPECT_LE(widestGap, 5100) << "never near the end of a grace while bytes come";
    EXPECT_TRUE(keepAlive.statusLine().startsWith(QStringLiteral("starting: fin")));

    // Stalled: the same byte count, status and stage again and again tell nothing, so the
    // grace runs out and the service manager ends the start-up.
    const qsizetype before = sentAt.size();
    for (int i = 0; i < 1500; ++i) {
        now += 100;
        keepAlive.setProgressValue(19.5e6 - qint64(19.5e6) % 6400);
        keepAlive.setStatus(QStringLiteral("fin"));
        keepAlive.showStage(7);
        collect();
    }
    EXPECT_EQ(sentAt.size(), before);

    // Once the channel plays, READY ends the start-up: no extension after it.
    notifier.notifyReady(QStringLiteral("playing"));
    EXPECT_EQ(socket.drain(), QList<QByteArray> {"READY=1\nSTATUS=playing"});
    now += 10000;
    keepAlive.setStatus(QStringLiteral("Constitution de la Playlist"));
    EXPECT_TRUE(socket.drain().isEmpty());
    EXPECT_EQ(window.status(), QStringLiteral("Constitution de la Playlist"));
}
