// The composition root on a real program directory: the start-up window's timer, the
// main screen, its buttons and panel, the timers, the stop signals and the one-player
// lock, with fakes for the player and the platform.
#include "app/player_app.h"

#include "app/main_screen.h"
#include "app/operator_panel.h"
#include "app/startup_sequence.h"
#include "app/web_view.h"
#include "app_rig.h"
#include "core/program_lock.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/shell_open.h"
#include "support/fakes.h"
#include "system/reboot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtCore/qtestsupport_core.h>

#include <csignal>

#include <gtest/gtest.h>

namespace {

class CountingRebooter final : public Rebooter {
public:
    bool requestReboot() override { return ++requests > 0; }
    int requests = 0;
};

class RecordingShell final : public ShellOpener {
public:
    bool open(const QString& target) override { opened << target; return true; }
    QStringList opened;
};

const Timings kShortTimings{.startupWindowMs = 30, .noConnectionWaitMs = 40, .overlayFirstShowMs = 50, .textsTickMs = 30,
                            .httpConnectTimeoutMs = 500, .httpIdleTimeoutMs = 1000, .ftpRequestTimeoutS = 1};

// The fakes of the platform; a blank start-up page, since no helper is named.
PlayerPlatform testPlatform(bool connected = true)
{
    PlayerPlatform p;
    p.probe = std::make_unique<FakeProbe>(connected);
    p.random = std::make_unique<RandomSource>(7);
    p.makePlayer = [](QWidget*, QWidget*& video) { video = nullptr; return std::make_unique<FakeMediaPlayer>(); };
    p.makeWebView = [] { return std::make_unique<StartupPageView>(QString(), nullptr); };
    return p;
}

struct App {
    FakeClock* clock = new FakeClock(QDateTime(QDate(2026, 12, 6), QTime(21, 0)));
    CountingRebooter* rebooter = new CountingRebooter;
    RecordingShell* shell = new RecordingShell;
    FakeMediaPlayer* player = nullptr;
    QStringList events;
    std::unique_ptr<PlayerApp> app;

    explicit App(const ProgramDir& dir, bool connected = true)
    {
        PlayerPlatform p = testPlatform(connected);
        p.clock.reset(clock);
        p.rebooter.reset(rebooter);
        p.shell.reset(shell);
        p.makePlayer = [this](QWidget*, QWidget*& video) {
            video = nullptr;
            return std::unique_ptr<FakeMediaPlayer>(player = new FakeMediaPlayer);
        };
        p.endProgram = [this] { events << "end"; };
        p.messageBox = [this](const QString& text) { events << "message " + text; };
        p.blockingWait = [this](int ms) { events << QStringLiteral("wait %1").arg(ms); };
        app = std::make_unique<PlayerApp>(dir.paths(), kShortTimings, std::move(p));
    }
    bool startAndWait()
    {
        app->start();
        return QTest::qWaitFor([&] { return app->loaded(); }, 10000);
    }
};

}

TEST(PlayerApp, TheStartupRunsOnceThenTheTimersTheMinuteTickAndTheButtonsWork)
{
    ProgramDir dir;
    dir.config("mode_manuel=False\r\ncycle_phrase=12\r\nnom_hotel=lac\r\nmajvid_heure=21:01\r\nmajphr_heure=1\r\n");
    dir.tree.write("videos-auto/services/s.avi", "x");
    dir.server.serve("/api/api/rss_simple.php", "<pictos_apmidi>soleil</pictos_apmidi><tempe_soir>14</tempe_soir>");
    dir.server.serve("/zeprilia/datas/textes/lac_txt.ini", "Bonjour\r\n");
    App a(dir);
    // Asked for the main screen again while the start-up yields: neither a second
    // start-up nor a screen shown before the start-up is over.
    QTimer again;
    int askedDuringStartup = 0;
    bool visibleDuringStartup = false;
    QObject::connect(&again, &QTimer::timeout, [&] {
        if (!a.app->loaded()) {
            ++askedDuringStartup;
            a.app->showMainScreen();
            visibleDuringStartup = visibleDuringStartup || a.app->mainScreen().isVisible();
        }
    });
    QObject::connect(&a.app->startup(), &StartupSequence::settingsRead, [&] { again.start(0); });
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(a.startAndWait());
    again.stop();
    // Checked at once: the clock's first show is a single shot.
    for (const char* name : {"timeHorloge", "TimeCycleBandeau", "TimeMajTextes", "TimeMajMeteo"})
        EXPECT_TRUE(a.app->timer(QLatin1String(name))->isActive()) << name;
    EXPECT_GE(clock.elapsed(), 25);
    EXPECT_GT(askedDuringStartup, 0);
    EXPECT_FALSE(visibleDuringStartup);
    MainScreen& screen = a.app->mainScreen();
    OperatorPanel& panel = *screen.panel();
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(a.player->calls.count("clear"), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return a.app->startupWindow() == nullptr; }, 3000)); // unloaded, deleted
    EXPECT_TRUE(a.events.isEmpty()); // connected: no wait
    EXPECT_EQ(a.app->timer("TimeCycleBandeau")->interval(), 12000);
    EXPECT_EQ(panel.field("txtNomHotel")->text(), "lac");
    // 21:00 on the clock: the evening temperature, shown with a connection.
    ClockWeatherStrip* strip = a.app->clockWeatherStrip();
    EXPECT_EQ(strip->temperatureLabel()->text(), QString::fromUtf8("14 °"));
    EXPECT_TRUE(strip->temperatureLabel()->isVisibleTo(strip));

    // The minute tick reboots once the clock passes the configured time and refreshes
    // the texts of the settings' hotel: the panel's field is only a mirror.
    panel.field("txtNomHotel")->setText("elsewhere");
    a.clock->time = a.clock->time.addSecs(60);
    dir.server.serve("/zeprilia/datas/textes/lac_txt.ini", "Bonsoir\r\nGood evening\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.rebooter->requests >= 1; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.items("lstPhrase").size() == 2; }, 3000));
    EXPECT_EQ(panel.items("lstPhrase"), QStringList({"Bonsoir", "Good evening"}));
    a.clock->time = a.clock->time.addSecs(60); // past the configured minute no tick asks for a reboot again
    const int requests = a.rebooter->requests;
    QTest::qWait(100);
    EXPECT_EQ(a.rebooter->requests, requests);

    screen.button(1)->click();
    ASSERT_TRUE(panel.isVisibleTo(&screen));
    QListWidget* list = panel.list("lstPlayList");
    ASSERT_EQ(list->count(), a.app->startup().playlist().size()); // mirrored when opened
    emit list->itemDoubleClicked(list->item(0));
    EXPECT_EQ(a.events.last(), "message " + list->item(0)->text());
    screen.button(1)->click();
    EXPECT_FALSE(panel.isVisibleTo(&screen));
    // The player's report reaches the journal through the seam.
    const QString broken = dir.paths().itemPath("videos-auto", "services/s.avi");
    a.player->failToOpen(broken);
    EXPECT_EQ(dir.journal(), QStringList({broken}));
    a.player->calls.clear();
    screen.button(3)->click();
    screen.button(4)->click();
    EXPECT_EQ(a.player->calls, QStringList({"pause", "play"}));
    screen.button(5)->click();
    EXPECT_EQ(a.shell->opened, QStringList({dir.server.baseUrl() + "/download"}));
    a.events.clear();
    screen.button(2)->click();
    EXPECT_EQ(a.player->calls.last(), "pause");
    EXPECT_EQ(a.events, QStringList({"end"}));
    screen.close();
    EXPECT_EQ(a.events, QStringList({"end", "end"}));
}

TEST(PlayerApp, WithoutAConnectionTheWarningStaysReadableAndTheWeatherHidden)
{
    ProgramDir dir;
    dir.config("cycle_phrase=abc\r\n");
    App a(dir, false);
    ASSERT_TRUE(a.startAndWait());
    EXPECT_EQ(a.events, QStringList({"wait 40"}));
    EXPECT_EQ(a.app->timer("TimeCycleBandeau")->interval(), 5000); // not a number: design interval
    ClockWeatherStrip* strip = a.app->clockWeatherStrip();
    EXPECT_FALSE(strip->temperatureLabel()->isVisibleTo(strip));
    EXPECT_FALSE(strip->pictogramLabel()->isVisibleTo(strip));
}

// The child side of the test below: a real run of the composition root that only
// ends by the signal the test sends.
TEST(PlayerAppChild, DISABLED_RunsUntilStopped)
{
    const ProgramPaths paths(qEnvironmentVariable("ZEPRIL_TEST_CHILD_HOME"));
    ASSERT_FALSE(paths.root().isEmpty());
    PlayerApp app(paths, kShortTimings, testPlatform());
    app.start();
    QTest::qWait(60000);
}

TEST(PlayerApp, SigtermDuringADownloadEndsCleanlyAndLeavesThePartialFileJournaled)
{
    ProgramDir dir;
    dir.config("mode_manuel=False\r\n");
    dir.server.serve("/zeprilia/datas/videos/night.ini", "big.mp4\r\n");
    dir.server.deliver("/videos/night/big.mp4", QByteArray(1 << 20, 't'), {.piece = 1, .pauseMs = 50}); // 14 hours long
    qputenv("ZEPRIL_TEST_CHILD_HOME", dir.tree.root().toUtf8()); // the child inherits it
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=PlayerAppChild.DISABLED_RunsUntilStopped", "--gtest_also_run_disabled_tests"});
    const QString big = dir.paths().categoryDir("videos-auto", "night") + "/.big.mp4.part";
    const bool downloading = QTest::qWaitFor(
        [&] { return dir.journal().contains(big) && dir.tree.exists("videos-auto/night/.big.mp4.part"); }, 20000);
    ::kill(pid_t(child.processId()), SIGTERM);
    QElapsedTimer stopping;
    stopping.start();
    const bool ended = child.waitForFinished(5000);
    const QByteArray output = child.readAll();
    ASSERT_TRUE(downloading) << output.constData();
    ASSERT_TRUE(ended);
    EXPECT_LT(stopping.elapsed(), 3000);
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_EQ(output.count("SIGTERM received"), 1) << output.constData();
    EXPECT_EQ(dir.journal(), QStringList({big})); // the next start-up resumes or deletes the partial file
}

TEST(PlayerApp, ASecondPlayerOnTheSameDirectoryEndsWithoutTouchingAnything)
{
    ProgramDir dir;
    dir.config("mode_manuel=False\r\n");
    dir.tree.write("cfg/error.ini", (dir.paths().categoryDir("videos-auto", "night") + "/partial.mp4\r\n").toUtf8());
    dir.tree.write("videos-auto/night/partial.mp4", "in progress");
    const ProgramLock first(dir.paths()); // the running player
    ASSERT_TRUE(first.acquired());
    const auto entries = [&] { return QDir(dir.tree.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); };
    const QStringList before = entries();

    qputenv("ZEPRIL_HOME", dir.tree.root().toUtf8()); // for the second player only
    QProcess second;
    second.start(QStringLiteral(ZEPRIL_CLIENT_PATH));
    qunsetenv("ZEPRIL_HOME");
    ASSERT_TRUE(second.waitForFinished(10000));
    const QString log = QString::fromUtf8(second.readAllStandardError());
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(second.exitCode(), 0);
    EXPECT_EQ(log.trimmed().count('\n'), 0) << log.toStdString(); // one line
    EXPECT_TRUE(log.contains(dir.tree.root()) && log.contains(QString::number(QCoreApplication::applicationPid())))
        << log.toStdString();
    EXPECT_EQ(dir.tree.read("videos-auto/night/partial.mp4"), "in progress");
    EXPECT_TRUE(dir.tree.read("cfg/error.ini").contains("partial.mp4"));
    EXPECT_TRUE(dir.server.requests().isEmpty());
    EXPECT_EQ(entries(), before);
}
