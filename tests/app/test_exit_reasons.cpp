// The real player's last line when it cannot go on: no display, a crash, an abort.
#include "app_rig.h"
#include "core/exit_reasons.h"

#include <QProcess>

#include <csignal>
#include <sys/resource.h>

#include <gtest/gtest.h>

namespace {

// The real player on the tree, with this platform and display; its log on standard error.
void startPlayer(QProcess& player, const ProgramDir& dir, const char* platform, const QString& display)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ZEPRIL_HOME", dir.tree.root());
    environment.insert("QT_QPA_PLATFORM", platform);
    environment.insert("DISPLAY", display);
    environment.remove("XAUTHORITY");
    player.setProcessEnvironment(environment);
    player.setReadChannel(QProcess::StandardError);
    player.start(QStringLiteral(ZEPRIL_CLIENT_PATH));
}

// The log up to the start-up window's first step, or up to 10 s of silence.
QString logUntilStartupWindow(QProcess& player)
{
    QString log;
    while (!log.contains("URL list") && player.waitForReadyRead(10000))
        log += QString::fromUtf8(player.readAllStandardError());
    return log;
}

}

TEST(ExitReasons, EachWayThePlayerEndsLeavesOneLineThatSaysWhy)
{
    ProgramDir dir;
    dir.config("mode_manuel=True\r\nmajvid_heure=xx\r\n");
    const auto lastWords = [&](const char* platform, int signalNumber = 0) {
        QProcess player;
        player.setChildProcessModifier([] { // the crash is on purpose: no core file
            const rlimit noCore {0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
        });
        startPlayer(player, dir, platform, QStringLiteral(":9931"));
        QString log;
        if (signalNumber) {
            log = logUntilStartupWindow(player);
            ::kill(pid_t(player.processId()), signalNumber);
        }
        player.waitForFinished(20000);
        return log + QString::fromUtf8(player.readAllStandardError());
    };
    EXPECT_TRUE(lastWords("xcb").contains("the player ends: no X display at DISPLAY=:9931"));
    EXPECT_TRUE(lastWords("offscreen", SIGSEGV).contains("the player ends: crashed (SIGSEGV) during the start-up\n"));
    EXPECT_TRUE(lastWords("offscreen", SIGTERM).contains("SIGTERM received during the start-up (starting: "));

    char line[256];
    formatExitLine(line, sizeof line, SIGABRT, RunPhase::Playing, 61000, 60000);
    EXPECT_STREQ(line,
                 "zepril.system: the player ends: aborted by the service manager's watchdog: the UI thread "
                 "sent no ping for 61 s while the channel played\n");
    formatExitLine(line, sizeof line, SIGABRT, RunPhase::Playing, 2000, 60000);
    EXPECT_STREQ(line + 32, "aborted (SIGABRT) while the channel played\n");
}

// The X server goes away under the player (a service stop that reaches both, a crashed
// server): Xlib and Qt call exit(), and the player must end with a status and a line,
// not crash in its own destructors while the video threads still run.
TEST(ExitReasons, AnXServerThatGoesAwayEndsThePlayerWithStatusOneNotACrash)
{
    ProgramDir dir;
    dir.config("mode_manuel=True\r\nmajvid_heure=xx\r\n");
    QProcess server;
    server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
    ASSERT_TRUE(server.waitForReadyRead(10000)) << "Xvfb did not start";
    const QString display = ':' + QString::fromLatin1(server.readAllStandardOutput()).trimmed();
    QProcess player;
    startPlayer(player, dir, "xcb", display);
    QString log = logUntilStartupWindow(player);
    ASSERT_TRUE(log.contains("URL list")) << log.toStdString();
    server.kill();
    ASSERT_TRUE(player.waitForFinished(20000));
    log += QString::fromUtf8(player.readAllStandardError());
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit) << log.toStdString();
    EXPECT_EQ(player.exitCode(), 1);
    EXPECT_TRUE(log.contains("the player ends with status 1: its X server went away")) << log.toStdString();
    server.waitForFinished(5000);
}
