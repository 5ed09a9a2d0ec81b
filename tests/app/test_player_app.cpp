// The composition root on a real program directory: the start-up window's timer, the
// main screen, its buttons and panel, the timers, the stop signals and the one-player
// lock, with fakes for the player and the platform.
#include "app/player_app.h"

#include "app/main_screen.h"
#include "app/operator_panel.h"
#include "app/startup_sequence.h"
#include "app/startup_window.h"
#include "app/web_view.h"
#include "app_rig.h"
#include "core/list_file.h"
#include "core/program_lock.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/shell_open.h"
#include "net/ftp_transfer.h"
#include "support/fakes.h"
#include "support/video_bytes.h"
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
#include <thread>

#include <gtest/gtest.h>

using namespace zepril;
using namespace zepril::test;

namespace {

class CountingRebooter final : public Rebooter {
public:
    bool requestReboot() override { ++requests; return true; }
    int requests = 0;
};

class RecordingShell final : public ShellOpener {
public:
    bool open(const QString& target) override { opened << target; return true; }
    QStringList opened;
};

class BlankPage final : public WebView {
public:
    void navigate(const QString&) override {}
    QWidget* widget() override { return &m_area; }

private:
    QWidget m_area;
};

Timings shortTimings()
{
    Timings t;
    t.startupWindowMs = 30;
    t.noConnectionWaitMs = 40;
    t.overlayFirstShowMs = 50;
    t.httpConnectTimeoutMs = 500;
    t.httpIdleTimeoutMs = 1000;
    t.ftpRequestTimeoutS = 1;
    return t;
}

// The app with fakes; `real` keeps the production HTTP engine and the real end of the program.
struct App {
    FakeClock* clock = new FakeClock(QDateTime(QDate(2026, 12, 6), QTime(21, 0)));
    FakeProbe* probe = new FakeProbe(true);
    CountingRebooter* rebooter = new CountingRebooter;
    RecordingShell* shell = new RecordingShell;
    FakeMediaPlayer* player = nullptr;
    QStringList events;
    std::unique_ptr<PlayerApp> app;

    App(const ProgramDir& dir, Timings timings = shortTimings(), bool real = false)
    {
        PlayerPlatform p;
        p.clock.reset(clock);
        p.probe.reset(probe);
        p.rebooter.reset(rebooter);
        p.shell.reset(shell);
        p.random = std::make_unique<RandomSource>(7);
        p.ftpEngine = std::make_unique<FtpTransfer>();
        if (!real) {
            p.httpEngine = std::make_unique<RefusingTransfer>();
            p.endProgram = [this] { events << "end"; };
        }
        p.makePlayer = [this](QWidget*, QWidget*& video) {
            auto fake = std::make_unique<FakeMediaPlayer>();
            player = fake.get();
            video = nullptr;
            return fake;
        };
        p.makeWebView = [] { return std::make_unique<BlankPage>(); };
        p.messageBox = [this](const QString& text) { events << "message " + text; };
        p.blockingWait = [this](int ms) { events << QStringLiteral("wait %1").arg(ms); };
        app = std::make_unique<PlayerApp>(dir.paths(), timings, std::move(p));
    }
    bool startAndWait()
    {
        app->start();
        return QTest::qWaitFor([&] { return app->loaded(); }, 10000);
    }
};

}

TEST(PlayerApp, TheStartupWindowsTimerRunsTheStartupOnceThenArmsEveryTimer)
{
    ProgramDir dir;
    dir.config("cycle_phrase=12\r\nnom_hotel=Le Lac\r\n");
    dir.tree.write("videos-man/night/n.avi", "x");
    dir.server.serve("/api/api/rss_simple.php", "<pictos_apmidi>soleil</pictos_apmidi><tempe_soir>14</tempe_soir>");
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
    EXPECT_GE(clock.elapsed(), 25);
    EXPECT_GT(askedDuringStartup, 0);
    EXPECT_FALSE(visibleDuringStartup);
    EXPECT_TRUE(a.app->mainScreen().isVisible());
    EXPECT_EQ(a.player->calls.count("clear"), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return a.app->startupWindow() == nullptr; }, 3000)); // unloaded, deleted
    EXPECT_TRUE(a.events.isEmpty()); // connected: no wait

    EXPECT_EQ(a.app->timer("TimeCycleBandeau")->interval(), 12000);
    for (const char* name : {"timeHorloge", "TimeCycleBandeau", "TimeMajTextes", "TimeMajMeteo"})
        EXPECT_TRUE(a.app->timer(QLatin1String(name))->isActive()) << name;
    EXPECT_EQ(a.app->mainScreen().panel()->field("txtNomHotel")->text(), "Le Lac");
    // 21:00 on the clock: the evening temperature with the moon, shown with a connection.
    ClockWeatherStrip* strip = a.app->clockWeatherStrip();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->lblTemp()->text(), QString::fromUtf8("14 °"));
    EXPECT_EQ(strip->pictogram(), 5);
    EXPECT_TRUE(strip->lblTemp()->isVisibleTo(strip));
}

TEST(PlayerApp, WithoutAConnectionTheWarningStaysReadableAndTheWeatherHidden)
{
    ProgramDir dir;
    dir.config("cycle_phrase=abc\r\n");
    App a(dir);
    a.probe->connected = false;
    ASSERT_TRUE(a.startAndWait());
    EXPECT_EQ(a.events, QStringList({"wait 40"}));
    EXPECT_EQ(a.app->timer("TimeCycleBandeau")->interval(), 5000); // not a number: design interval
    ClockWeatherStrip* strip = a.app->clockWeatherStrip();
    ASSERT_NE(strip, nullptr);
    EXPECT_FALSE(strip->lblTemp()->isVisibleTo(strip));
    EXPECT_FALSE(strip->imgMeteo()->isVisibleTo(strip));
}

TEST(PlayerApp, ButtonsPanelAndAPlayerFailureInAutomaticMode)
{
    ProgramDir dir;
    dir.config("mode_manuel=False\r\n");
    dir.tree.write("videos-auto/services/s.avi", "x");
    App a(dir);
    ASSERT_TRUE(a.startAndWait());
    MainScreen& screen = a.app->mainScreen();
    screen.button(1)->click();
    ASSERT_TRUE(screen.panel()->isVisibleTo(&screen));
    QListWidget* list = screen.panel()->list("lstPlayList");
    ASSERT_EQ(list->count(), a.app->startup().playlist().size()); // mirrored when opened
    emit list->itemDoubleClicked(list->item(0));
    EXPECT_EQ(a.events.last(), "message " + list->item(0)->text());
    screen.button(1)->click();
    EXPECT_FALSE(screen.panel()->isVisibleTo(&screen));

    // The player's report reaches the journal through the seam.
    const QString broken = dir.paths().itemPath("videos-auto", "services/s.avi");
    a.player->failToOpen(broken);
    QStringList journal;
    ReadFileToList(dir.tree.path("cfg/error.ini"), journal);
    EXPECT_EQ(journal, QStringList({broken}));

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
    a.events.clear();
    screen.close();
    EXPECT_EQ(a.events, QStringList({"end"}));
}

TEST(PlayerApp, TheMinuteTickRebootsAtTheConfiguredTimeAndRefreshesTheConfiguredHotelsTexts)
{
    ProgramDir dir;
    dir.config("majvid_heure=21:00\r\nmajphr_heure=1\r\nnom_hotel=lac\r\n");
    dir.server.serve("/zeprilia/datas/textes/lac_txt.ini", "Bonjour\r\n");
    Timings t = shortTimings();
    t.textsTickMs = 30;
    App a(dir, t);
    ASSERT_TRUE(a.startAndWait());
    // The panel's field is only a mirror: the refresh asks for the hotel of the settings.
    a.app->mainScreen().panel()->field("txtNomHotel")->setText("elsewhere");
    dir.server.serve("/zeprilia/datas/textes/lac_txt.ini", "Bonsoir\r\nGood evening\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.rebooter->requests >= 1; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.app->mainScreen().panel()->items("lstPhrase").size() == 2; }, 3000));
    EXPECT_EQ(a.app->mainScreen().panel()->items("lstPhrase"), QStringList({"Bonsoir", "Good evening"}));

    // Out of the configured minute no tick asks for a reboot.
    a.clock->time = a.clock->time.addSecs(60);
    const int requests = a.rebooter->requests;
    QTest::qWait(100);
    EXPECT_EQ(a.rebooter->requests, requests);
}

// The child side of the test below: a real run of the composition root that only
// ends by the signal the test sends.
TEST(PlayerAppChild, DISABLED_RunsUntilStopped)
{
    const ProgramPaths paths(qEnvironmentVariable("ZEPRIL_TEST_CHILD_HOME"));
    ASSERT_FALSE(paths.root().isEmpty());
    PlayerPlatform p;
    p.probe = std::make_unique<FakeProbe>(true);
    p.ftpEngine = std::make_unique<FtpTransfer>();
    p.makePlayer = [](QWidget*, QWidget*& video) { video = nullptr; return std::make_unique<FakeMediaPlayer>(); };
    p.makeWebView = [] { return std::make_unique<BlankPage>(); };
    PlayerApp app(paths, shortTimings(), std::move(p));
    app.start();
    QTest::qWait(60000);
}

TEST(PlayerApp, SigtermDuringADownloadEndsCleanlyAndLeavesThePartialFileJournaled)
{
    ProgramDir dir;
    dir.config("mode_manuel=False\r\n");
    dir.server.serve("/zeprilia/datas/videos/night.ini", "big.mp4\r\n");
    std::atomic<bool> release{false};
    dir.server.handle("/videos/night/big.mp4", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(size_t(1 << 20), "video/mp4", [&](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset > 0) { // a server that stalls after the first bytes
                for (int i = 0; i < 1000 && !release; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return false;
            }
            const QByteArray first = patterned(64 * 1024);
            return sink.write(first.constData(), size_t(first.size()));
        });
    });
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZEPRIL_TEST_CHILD_HOME", dir.tree.root());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=PlayerAppChild.DISABLED_RunsUntilStopped", "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(child.waitForStarted(5000));
    const QString big = dir.paths().categoryDir("videos-auto", "night") + "/big.mp4";
    QStringList journal;
    const bool downloading = QTest::qWaitFor(
        [&] { return ReadFileToList(dir.tree.path("cfg/error.ini"), journal) && journal.contains(big) && dir.tree.exists("videos-auto/night/big.mp4"); },
        20000);
    ::kill(pid_t(child.processId()), SIGTERM);
    QElapsedTimer stopping;
    stopping.start();
    const bool ended = child.waitForFinished(5000);
    release = true;
    const QByteArray output = child.readAll();
    ASSERT_TRUE(downloading) << output.constData();
    ASSERT_TRUE(ended);
    EXPECT_LT(stopping.elapsed(), 3000);
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_EQ(output.count("SIGTERM received"), 1) << output.constData();
    ReadFileToList(dir.tree.path("cfg/error.ini"), journal);
    EXPECT_EQ(journal, QStringList({big})); // the next start-up deletes the partial file
}

TEST(PlayerApp, ASecondPlayerOnTheSameDirectoryEndsWithoutTouchingAnything)
{
    ProgramDir dir;
    dir.config("mode_manuel=False\r\n");
    dir.tree.write("cfg/error.ini", (dir.paths().categoryDir("videos-auto", "night") + "/partial.mp4\r\n").toUtf8());
    dir.tree.write("videos-auto/night/partial.mp4", "in progress");
    const ProgramLock first(dir.paths()); // the running player
    ASSERT_TRUE(first.acquired());
    const QStringList before = QDir(dir.tree.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZEPRIL_HOME", dir.tree.root());
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(ZEPRIL_CLIENT_PATH), {});
    ASSERT_TRUE(second.waitForFinished(10000));
    const QString log = QString::fromUtf8(second.readAllStandardError());
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(second.exitCode(), 0);
    EXPECT_EQ(log.trimmed().count('\n'), 0) << log.toStdString(); // one line
    EXPECT_TRUE(log.contains(dir.tree.root())) << log.toStdString();
    EXPECT_TRUE(log.contains(QString::number(QCoreApplication::applicationPid()))) << log.toStdString();
    EXPECT_EQ(dir.tree.read("videos-auto/night/partial.mp4"), "in progress");
    EXPECT_TRUE(dir.tree.read("cfg/error.ini").contains("partial.mp4"));
    EXPECT_TRUE(dir.server.requests().isEmpty());
    EXPECT_EQ(QDir(dir.tree.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
}
