// The real player, killed and started again in the same boot: the second start goes
// straight to the channel with what is on disk. Needs an X server (mpv draws in the window).
#include "app_rig.h"
#include "support/notify_socket.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QUuid>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

TEST(QuickRestartOnX, APlayerKilledAfterTheChannelPlayedComesBackWithoutStartupOrSynchronization)
{
    ProgramDir dir;
    dir.config("mode_manuel=False\r\nnom_hotel=lac\r\nmajvid_heure=xx\r\n");
    ASSERT_TRUE(makeVideo(dir.tree.path("videos-auto/night/a.mp4"), 2.0));
    dir.tree.write("cfg/textes.ini", "Bonjour\r\n");
    dir.server.serve("/zeprilia/datas/textes/lac_txt.ini", "Bonjour\r\n");
    dir.server.serve("/zeprilia/datas/videos/night.ini", "a.mp4\r\n");
    NotifySocket socket;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ZEPRIL_HOME", dir.tree.root());
    environment.insert("ZEPRIL_BOOT_ID", QUuid::createUuid().toString(QUuid::WithoutBraces));
    environment.insert("NOTIFY_SOCKET", QString::fromUtf8(socket.path));
    const auto runUntilReadyThenKill = [&] {
        QProcess player;
        player.setProcessEnvironment(environment);
        player.start(QStringLiteral(ZEPRIL_CLIENT_PATH));
        EXPECT_TRUE(QTest::qWaitFor([&] { return socket.drain().contains("READY=1\nSTATUS=playing"); }, 90000));
        player.kill();
        player.waitForFinished();
        return QString::fromUtf8(player.readAllStandardError());
    };
    EXPECT_TRUE(runUntilReadyThenKill().contains("whole start-up: the channel has not played yet"));
    const qsizetype fetchedByFirst = dir.server.requests().size();
    EXPECT_GT(fetchedByFirst, 6) << "URL list, texts and the six video lists";

    const QString log = runUntilReadyThenKill();
    EXPECT_TRUE(log.contains("straight to the channel: the channel already played in this boot")) << log.toStdString();
    EXPECT_FALSE(log.contains("start-up window") || log.contains("synchroniz")) << log.toStdString();
    for (const RecordedRequest& r : dir.server.requests().mid(fetchedByFirst))
        EXPECT_TRUE(r.target.startsWith("/api/")) << "only the weather may be asked for: " << r.target.toStdString();
    EXPECT_EQ(dir.tree.read("cfg/channel_start.txt"), environment.value("ZEPRIL_BOOT_ID").toLatin1() + "\r\n0\r\n")
        << "played again: the count of quick starts is back to 0";
}
