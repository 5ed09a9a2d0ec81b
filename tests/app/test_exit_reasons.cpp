// The real player's last line when it cannot go on: no display, a crash, an abort.
#include "app_rig.h"
#include "core/exit_reasons.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <sys/resource.h>

#include <gtest/gtest.h>

namespace {
QString lastWords(const QProcessEnvironment& environment, int signalNumber = 0)
{
    QProcess player;
    player.setProcessEnvironment(environment);
    player.setChildProcessModifier([] {
        const rlimit noCore {0, 0}; // the crash is on purpose: no core file
        setrlimit(RLIMIT_CORE, &noCore);
    });
    player.setReadChannel(QProcess::StandardError);
    player.start(QStringLiteral(ZEPRIL_CLIENT_PATH));
    QString log;
    if (signalNumber) {
        // Once the start-up window is up.
        while (!log.contains("URL list") && player.waitForReadyRead(10000))
            log += QString::fromUtf8(player.readAllStandardError());
        ::kill(pid_t(player.processId()), signalNumber);
    }
    player.waitForFinished(20000);
    return log + QString::fromUtf8(player.readAllStandardError());
}
}

TEST(ExitReasons, EachWayThePlayerEndsLeavesOneLineThatSaysWhy)
{
    ProgramDir dir;
    dir.config("mode_manuel=True\r\nmajvid_heure=xx\r\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ZEPRIL_HOME", dir.tree.root());
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("DISPLAY", ":9931");
    EXPECT_TRUE(lastWords(environment).contains("the player ends: no X display at DISPLAY=:9931"));

    environment.insert("QT_QPA_PLATFORM", "offscreen");
    EXPECT_TRUE(lastWords(environment, SIGSEGV).contains("the player ends: crashed (SIGSEGV) during the start-up\n"));
    EXPECT_TRUE(lastWords(environment, SIGTERM).contains("SIGTERM received during the start-up (starting: "));

    char line[256];
    formatExitLine(line, sizeof line, SIGABRT, RunPhase::Playing, 61000, 60000);
    EXPECT_STREQ(line,
                 "zepril.system: the player ends: aborted by the service manager's watchdog: the UI thread "
                 "sent no ping for 61 s while the channel played\n");
    formatExitLine(line, sizeof line, SIGABRT, RunPhase::Playing, 2000, 60000);
    EXPECT_STREQ(line, "zepril.system: the player ends: aborted (SIGABRT) while the channel played\n");
    EXPECT_EQ(formatExitLine(line, 20, SIGBUS, RunPhase::Starting, -1, 0), 19) << "cut to the buffer";
}
