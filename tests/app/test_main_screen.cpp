// The main screen's start-up and operator buttons, offscreen, against a real local
// update server and real files, with a fake player and fake platform services.
#include "core/list_file.h"
#include "core/startup_reporter.h"
#include "app/startup_window.h"
#include "app/main_screen.h"
#include "app/web_view.h"
#include "app/operator_panel.h"
#include "net/ftp_transfer.h"
#include "net/http_transfer.h"
#include "net/inet_control.h"
#include "system/reboot.h"
#include "net/transfer_control.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/shell_open.h"
#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QElapsedTimer>
#include <QPointer>
#include <QtCore/qtestsupport_core.h>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zepril;
using namespace zepril::test;

namespace {

class NoRebooter final : public Rebooter {
public:
    bool requestReboot() override { ++requests; return true; }
    int requests = 0;
};

class RecordingShell final : public ShellOpener {
public:
    bool open(const QString& target) override { opened << target; return true; }
    QStringList opened;
};

// Downloads are not wanted in these start-ups (manual mode); any request fails the test.
class RefusingTransfer final : public TransferControl {
public:
    void setProtocol(int) override {}
    void setRemotePort(int) override {}
    void setUrl(const QString& u) override { m_url = u; }
    QString url() const override { return m_url; }
    void setUserName(const QString&) override {}
    void setPassword(const QString&) override {}
    void setRequestTimeout(int) override {}
    bool execute(const QString& op, const QString&) override { executed << op; return false; }
    bool stillExecuting() const override { return false; }
    QByteArray getChunk(int) override { return {}; }
    QString getHeader(const QString&) const override { return {}; }
    int responseCode() const override { return 0; }
    bool succeeded() const override { return false; }
    QString lastError() const override { return QStringLiteral("refused in tests"); }
    QStringList executed;

private:
    QString m_url;
};

struct Rig {
    TempTree tree;
    TestHttpServer server;
    FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(21, 0))};
    FakeProbe probe{true};
    FakeMediaPlayer player;
    RecordingReporter reporter;
    NoRebooter rebooter;
    RecordingShell shell;
    RefusingTransfer inet1, inet2;
    TransferControl* downloads = &inet2;
    Timings timings; // the minute timers keep their production interval unless a test shortens them
    RandomSource random{7};
    QStringList events;
    std::unique_ptr<MainScreen> form;

    Rig()
    {
        for (const char* dir : {"cfg", "skin", "videos-man/index", "videos-auto/index"})
            tree.mkdir(QLatin1String(dir));
        for (const char* cat : {"restaurants", "plages", "night", "boutiques", "services", "documentaires"}) {
            tree.mkdir(QStringLiteral("videos-man/") + QLatin1String(cat));
            tree.mkdir(QStringLiteral("videos-auto/") + QLatin1String(cat));
        }
    }

    void config(const QString& variables)
    {
        const QString port = QString::number(server.port());
        tree.write("cfg/config.ini",
                   ("[Variables_Setup]\r\n" + variables + "\r\n[Serveurs]\r\nmaj=127.0.0.1:" + port + "\r\nvideos=127.0.0.1:" + port
                    + "\r\nmeteo=127.0.0.1:" + port + "\r\nftp=127.0.0.1:" + QString::number(unusedLocalPort()) + "\r\n")
                       .toUtf8());
    }

    MainScreen& make()
    {
        Timings& t = timings;
        t.startupWindowMs = 50;
        t.noConnectionWaitMs = 40;
        t.overlayFirstShowMs = 50;
        t.httpConnectTimeoutMs = 500;
        t.httpIdleTimeoutMs = 500;
        t.ftpRequestTimeoutS = 1;
        MainScreenServices s{clock, probe, reporter, rebooter, shell, inet1, *downloads, random};
        s.showStartupWindow = [this] { events << "show startup window"; };
        s.unloadStartupWindow = [this] { events << "unload startup window"; };
        s.endProgram = [this] { events << "end"; };
        s.messageBox = [this](const QString& text) { events << "message " + text; };
        s.blockingWait = [this](int ms) { events << QStringLiteral("wait %1").arg(ms); };
        const ProgramPaths paths(tree.root());
        form = std::make_unique<MainScreen>(paths, readServerConfig(paths.configIni()), t, std::move(s));
        form->attachPlayer(player, nullptr);
        return *form;
    }
};

}

TEST(Form2Startup, ManualModeComposesHandsOverAndArmsTimers)
{
    Rig rig;
    rig.config("cycle_phrase=12\r\nnom_hotel=Le Lac\r\nmode_manuel=True\r\n");
    rig.server.serve("/zeprilia/datas/textes/Le%20Lac_txt.ini", QByteArray("Bienvenue \xE0 l'h\xF4tel\r\n\r\nBonne nuit\r\n"));
    rig.server.serve("/zeprilia/datas/videos/night.ini", "n1.avi\r\nn2.avi\r\n");
    rig.tree.write("videos-man/night/n1.avi", "x");
    rig.tree.write("videos-man/night/.hidden.avi", "x");
    rig.tree.write("videos-man/index/index_ga.avi", "x");
    rig.tree.write("videos-man/index/index_rub_c.mp4", "x");
    rig.server.serve("/api/api/rss_simple.php", "<pictos_apmidi>soleil</pictos_apmidi><tempe_soir>14</tempe_soir>");

    MainScreen& form = rig.make();
    form.runStartup();

    const MainScreenState& st = form.state();
    EXPECT_EQ(st.activeVideoDir, "videos-man");
    EXPECT_EQ(st.phrases.lstPhrase, QStringList({QString::fromUtf8("Bienvenue à l'hôtel"), "", "Bonne nuit"}));
    EXPECT_EQ(st.phrases.phraseCount, 3);
    EXPECT_EQ(st.serverLists[2], QStringList({"n1.avi", "n2.avi"}));
    EXPECT_TRUE(st.serverListFetched[2]);
    EXPECT_FALSE(st.serverListFetched[0]); // 404: not fetched
    EXPECT_EQ(st.playable[2], QStringList({"n1.avi"}));
    // index_ga opens every category block; the night block has its own index before its video.
    EXPECT_EQ(st.lstPlayList.count("index/index_ga.avi"), 6);
    const qsizetype rubC = st.lstPlayList.indexOf("index/index_rub_c.mp4");
    ASSERT_GE(rubC, 0);
    EXPECT_EQ(st.lstPlayList.at(rubC + 1), "night/n1.avi");
    EXPECT_EQ(rig.player.items.size(), st.lstPlayList.size());
    EXPECT_EQ(rig.player.calls.front(), "clear");
    EXPECT_EQ(rig.player.calls.back(), "play");
    for (int k = 0; k < 9; ++k)
        EXPECT_TRUE(rig.reporter.stageShown(k)) << k;
    EXPECT_FALSE(rig.reporter.connectionWarningShown());
    EXPECT_EQ(rig.events, QStringList({"show startup window", "unload startup window"}));

    EXPECT_TRUE(rig.reporter.statuses.contains("Chargement des options... "));
    EXPECT_TRUE(rig.reporter.statuses.contains(QString::fromUtf8("Téléchargement des phrases de l'hotel  [ LE LAC ]")));
    EXPECT_TRUE(rig.reporter.statuses.contains("Téléchargement de la liste des videos de l'hotel  [ LE LAC ]"));
    EXPECT_TRUE(rig.reporter.statuses.contains("Chargement des listes des rubriques..."));
    EXPECT_TRUE(rig.reporter.statuses.contains(QString::fromUtf8("Constitution de la Playlist Vidéo initiale... ")));
    EXPECT_TRUE(rig.reporter.statuses.contains(QString::fromUtf8("Constitution de la Playlist Vidéo initiale: catégorie night")));

    EXPECT_EQ(form.timer("TimeCycleBandeau")->interval(), 12000);
    for (const char* name : {"timeHorloge", "TimeCycleBandeau", "TimeMajTextes", "TimeMajMeteo"})
        EXPECT_TRUE(form.timer(QLatin1String(name))->isActive()) << name;
    EXPECT_EQ(form.p1()->field("cycle_phrase")->text(), "12");
    EXPECT_EQ(form.p1()->field("txtNomHotel")->text(), "Le Lac");
    EXPECT_TRUE(rig.inet2.executed.isEmpty());

    // 21:00 on the clock: the evening temperature with the moon, shown with a connection.
    ASSERT_NE(form.overlay(), nullptr);
    EXPECT_EQ(form.overlay()->lblTemp()->text(), QString::fromUtf8("14 °"));
    EXPECT_EQ(form.overlay()->pictogram(), 5);
    EXPECT_TRUE(form.overlay()->lblTemp()->isVisibleTo(form.overlay()));
    EXPECT_EQ(form.state().lstMeteo, QStringList({"14"}));
}

TEST(Form2Startup, NoConnectionWarnsWaitsAndStillPlaysWhatIsOnDisk)
{
    Rig rig;
    rig.config("cycle_phrase=abc\r\n");
    rig.probe.connected = false;
    rig.tree.write("videos-man/plages/p.mp4", "x");
    MainScreen& form = rig.make();
    form.runStartup();
    EXPECT_TRUE(rig.reporter.connectionWarningShown());
    EXPECT_EQ(rig.events, QStringList({"show startup window", "wait 40", "unload startup window"}));
    EXPECT_EQ(form.state().phrases.lstPhrase, QStringList({"BIENVENUE - WELCOME"}));
    EXPECT_TRUE(form.state().lstPlayList.contains("plages/p.mp4"));
    EXPECT_EQ(form.timer("TimeCycleBandeau")->interval(), 5000); // not a number: design interval
    ASSERT_NE(form.overlay(), nullptr);
    EXPECT_FALSE(form.overlay()->lblTemp()->isVisibleTo(form.overlay()));
    EXPECT_FALSE(form.overlay()->imgMeteo()->isVisibleTo(form.overlay()));
}

TEST(Form2Startup, RunsOnceWhateverTheStartupWindowTimerDoes)
{
    Rig rig;
    rig.config("");
    rig.tree.write("videos-man/night/n.avi", "x");
    MainScreen& form = rig.make();
    // The start-up window's timer asks for the main screen again while the start-up yields.
    QTimer again;
    int askedDuringStartup = 0;
    bool visibleDuringStartup = false;
    QObject::connect(&again, &QTimer::timeout, &form, [&] {
        if (!form.loaded()) {
            ++askedDuringStartup;
            form.showMainScreen();
            visibleDuringStartup = visibleDuringStartup || form.isVisible();
        }
    });
    again.start(0);
    form.showMainScreen();
    again.stop();
    form.showMainScreen();
    EXPECT_GT(askedDuringStartup, 0);
    EXPECT_FALSE(visibleDuringStartup);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(rig.player.calls.count("clear"), 1);
    EXPECT_EQ(rig.events.count("show startup window"), 1);
    EXPECT_EQ(rig.events.count("unload startup window"), 1);
}

TEST(Form2Buttons, PanelTogglePausePlayQuitAndDownloadPage)
{
    Rig rig;
    rig.config("");
    MainScreen& form = rig.make();
    form.runStartup();
    for (int i = 0; i < 3; ++i)
        form.button(1)->click();
    EXPECT_TRUE(form.p1()->isVisibleTo(&form));
    EXPECT_EQ(form.state().panelClickCount, 1);
    form.button(1)->click();
    EXPECT_FALSE(form.p1()->isVisibleTo(&form));
    EXPECT_EQ(form.state().panelClickCount, 0);

    rig.player.calls.clear();
    form.button(3)->click();
    form.button(4)->click();
    EXPECT_EQ(rig.player.calls, QStringList({"pause", "play"}));

    form.button(5)->click();
    EXPECT_EQ(rig.shell.opened, QStringList({rig.server.baseUrl() + "/download"}));

    const QStringList captions{"A", "Q", "S", "P", "M"};
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(form.button(i)->text(), captions[i - 1]);

    rig.events.clear();
    form.button(2)->click();
    EXPECT_EQ(rig.player.calls.last(), "pause");
    EXPECT_EQ(rig.events, QStringList({"end"}));
}

TEST(Form2Buttons, ClosingPausesAndEnds)
{
    Rig rig;
    rig.config("");
    MainScreen& form = rig.make();
    form.runStartup();
    rig.events.clear();
    form.close();
    EXPECT_EQ(rig.player.calls.last(), "pause");
    EXPECT_EQ(rig.events, QStringList({"end"}));
}

TEST(Form2Buttons, DoubleClickOnThePlaylistShowsTheItem)
{
    Rig rig;
    rig.config("");
    rig.tree.write("videos-man/services/s.avi", "x");
    MainScreen& form = rig.make();
    form.runStartup();
    form.button(1)->click();
    QListWidget* list = form.p1()->list("lstPlayList");
    ASSERT_GT(list->count(), 0);
    emit list->itemDoubleClicked(list->item(0));
    EXPECT_EQ(rig.events.last(), "message " + list->item(0)->text());
}

TEST(Form2Startup, AutomaticModeSynchronizesEachCategoryAndKeepsFailedDownloadsOut)
{
    Rig rig;
    rig.config("mode_manuel=False\r\n");
    Timings timings;
    timings.httpIdleTimeoutMs = 1000;
    InetControl inet2(std::make_unique<HttpTransfer>(timings), std::make_unique<FtpTransfer>());
    rig.downloads = &inet2;
    const QByteArray video(300000, 'v');
    rig.server.serve("/zeprilia/datas/videos/plages.ini", "good.mp4\r\nbroken.mp4\r\n");
    rig.server.serve("/videos/plages/good.mp4", video);
    rig.server.serveCutMidBody("/videos/plages/broken.mp4", video, 1000);
    // broken.mp4 also sits in another category: a failed name leaves every playable list.
    rig.tree.write("videos-auto/night/broken.mp4", "x");
    rig.server.serve("/zeprilia/datas/videos/night.ini", "broken.mp4\r\n");
    rig.tree.write("videos-auto/plages/stale.mp4", "x");
    rig.tree.write("videos-auto/services/kept.mp4", "x"); // services' list is not served: untouched

    MainScreen& form = rig.make();
    form.runStartup();
    const MainScreenState& st = form.state();

    EXPECT_EQ(st.activeVideoDir, "videos-auto");
    EXPECT_EQ(rig.tree.read("videos-auto/plages/good.mp4"), video);
    EXPECT_FALSE(rig.tree.exists("videos-auto/plages/stale.mp4"));
    EXPECT_FALSE(rig.tree.exists("videos-auto/plages/broken.mp4"));
    EXPECT_TRUE(rig.tree.exists("videos-auto/services/kept.mp4"));
    EXPECT_EQ(st.playable[1], QStringList({"good.mp4"}));
    EXPECT_TRUE(st.playable[2].isEmpty());
    EXPECT_EQ(st.playable[4], QStringList({"kept.mp4"}));
    EXPECT_FALSE(st.lstPlayList.contains("plages/broken.mp4"));
    EXPECT_FALSE(st.lstPlayList.contains("night/broken.mp4"));
    EXPECT_TRUE(st.lstPlayList.contains("plages/good.mp4"));
    const QString brokenPath = ProgramPaths(rig.tree.root()).categoryDir("videos-auto", "plages") + "/broken.mp4";
    EXPECT_EQ(st.failedDownloads, QStringList({brokenPath}));
    QStringList journal;
    ASSERT_TRUE(ReadFileToList(rig.tree.path("cfg/error.ini"), journal));
    EXPECT_EQ(journal, QStringList({brokenPath}));

    // Each category's mark comes right after its own synchronization, in order.
    const QStringList& seq = rig.reporter.events;
    const char* categories[] = {"restaurants", "plages", "night", "boutiques", "services", "documentaires"};
    qsizetype previous = -1;
    for (int k = 0; k < 6; ++k) {
        const qsizetype sync = seq.indexOf(QString::fromUtf8("Synchronisation catégorie ") + QLatin1String(categories[k]));
        const qsizetype mark = seq.indexOf(QStringLiteral("stage %1").arg(k));
        ASSERT_GE(sync, 0) << categories[k];
        EXPECT_GT(sync, previous) << categories[k];
        EXPECT_GT(mark, sync) << categories[k];
        previous = mark;
    }
    EXPECT_TRUE(seq.contains("TELECHARGEMENT [ good.mp4 ]"));
}

namespace {
class BlankPage final : public WebView {
public:
    void navigate(const QString&) override {}
    QWidget* widget() override { return &m_area; }

private:
    QWidget m_area;
};
}

TEST(Form2Startup, StartsWhenTheStartupWindowsTimerFiresAndOnlyOnce)
{
    Rig rig;
    rig.config("");
    MainScreen& form = rig.make();
    Timings t;
    t.startupWindowMs = 150;
    const ProgramPaths paths(rig.tree.root());
    QPointer<StartupWindow> startup = new StartupWindow(paths, readServerConfig(paths.configIni()), t, std::make_unique<BlankPage>());
    int requests = 0;
    QObject::connect(startup, &StartupWindow::showMainScreenRequested, &form, [&] {
        ++requests;
        form.showMainScreen();
    });
    QElapsedTimer clock;
    clock.start();
    startup->load();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.loaded(); }, 5000));
    EXPECT_GE(clock.elapsed(), 140);
    // Later ticks only show the screen again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests >= 3; }, 5000));
    EXPECT_EQ(rig.events.count("show startup window"), 1);
    delete startup.data();
}

TEST(Form2Timers, TheMinuteTickRebootsAtTheConfiguredTimeAndRefreshesTheTexts)
{
    Rig rig;
    rig.config("majvid_heure=21:00\r\nmajphr_heure=1\r\nnom_hotel=lac\r\n");
    rig.server.serve("/zeprilia/datas/textes/lac_txt.ini", "Bonjour\r\n");
    rig.timings.textsTickMs = 30;
    MainScreen& form = rig.make();
    form.runStartup();
    ASSERT_EQ(form.state().phrases.lstPhrase, QStringList({"Bonjour"}));
    rig.server.serve("/zeprilia/datas/textes/lac_txt.ini", "Bonsoir\r\nGood evening\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.rebooter.requests >= 1; }, 3000));
    EXPECT_EQ(form.state().phrases.lstPhrase, QStringList({"Bonsoir", "Good evening"}));
    EXPECT_EQ(form.state().phrases.phraseCount, 2);

    // Out of the configured minute no tick asks for a reboot.
    rig.clock.time = rig.clock.time.addSecs(60);
    const int requests = rig.rebooter.requests;
    QTest::qWait(100);
    EXPECT_EQ(rig.rebooter.requests, requests);
}
