#include "app/player_app.h"

#include "app/fleet_reports.h"
#include "app/main_screen.h"
#include "app/operator_panel.h"
#include "app/phrase_state_source.h"
#include "app/screen_following.h"
#include "app/startup_sequence.h"
#include "app/startup_window.h"
#include "app/web_view.h"
#include "core/categories.h"
#include "core/clock.h"
#include "core/connection_probe.h"
#include "core/event_wait.h"
#include "core/exit_reasons.h"
#include "core/file_helpers.h"
#include "core/logging.h"
#include "core/playlist.h"
#include "core/server_config.h"
#include "core/startup_reporter.h"
#include "core/termination.h"
#include "core/tree_check.h"
#include "net/ftp_session.h"
#include "net/ftp_transfer.h"
#include "net/http_fetch.h"
#include "net/http_transfer.h"
#include "net/update_server.h"
#include "presentation/banner_cycle.h"
#include "presentation/banner_layout.h"
#include "presentation/banner_window.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/mpv_player.h"
#include "presentation/screen_follower.h"
#include "presentation/shell_open.h"
#include "presentation/window_raiser.h"
#include "system/daily_reboot.h"
#include "system/daily_scheduler.h"
#include "core/boot_id.h"
#include "system/quick_restart.h"
#include "system/reboot.h"
#include "system/service_notifier.h"
#include "system/startup_keep_alive.h"
#include "system/status_file.h"
#include "system/texts_refresh.h"
#include "weather/pictograms.h"
#include "weather/weather_display.h"
#include "weather/weather_feed.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>

namespace zepril {

namespace {

// Start-up reports go to the start-up window while it exists and to the log after.
class ReporterRelay final : public StartupReporter {
public:
    void setStatus(const QString& t) override { target().setStatus(t); }
    void showStage(int i) override { target().showStage(i); }
    void setFileSize(const QString& t) override { target().setFileSize(t); }
    void setProgressRange(double a, double b) override { target().setProgressRange(a, b); }
    void setProgressValue(double v) override { target().setProgressValue(v); }
    void showConnectionWarning() override
    {
        m_warning = true;
        target().showConnectionWarning();
    }
    bool connectionWarningShown() const override { return m_warning; }

    QPointer<StartupWindow> window;

private:
    StartupReporter& target() { return window ? static_cast<StartupReporter&>(*window) : m_log; }
    LoggingReporter m_log;
    bool m_warning = false;
};

// The weather refresh writes on the strip; its first use loads the strip, whose own
// load asks for a refresh as well.
class StripDisplay final : public WeatherDisplay {
public:
    explicit StripDisplay(std::function<ClockWeatherStrip*()> strip) : m_strip(std::move(strip)) {}
    void setTemperatureText(const QString& text) override { m_strip()->setTemperatureText(text); }
    void setPictogram(int index) override { m_strip()->setPictogram(index); }
    void setWeatherVisible(bool visible) override { m_strip()->setWeatherVisible(visible); }

private:
    std::function<ClockWeatherStrip*()> m_strip;
};

}

struct PlayerApp::Parts {
    ProgramPaths paths;
    Timings timings;
    ServerConfig servers;
    PlayerPlatform platform;
    ReporterRelay reporter;

    // The run's state that outlives the start-up: the banner's phrases and the weather.
    PhraseState phrases;
    QStringList lstMeteo;
    QString txtMeteo;
    int weatherTickCount = 0;
    bool loading = false;
    bool loaded = false;

    std::unique_ptr<MainScreen> mainScreen;
    std::unique_ptr<MediaPlayer> player; // destroyed before the window it draws into
    QWidget* videoWidget = nullptr;
    std::unique_ptr<StartupSequence> sequence;
    std::unique_ptr<FtpSession> ftp;
    QTimer* timeHorloge = nullptr; // children of the main screen
    QTimer* timeMajTextes = nullptr;
    QTimer* timeMajMeteo = nullptr;
    std::unique_ptr<QtWindowRaiser> raiser;
    std::unique_ptr<PhraseStateSource> phraseSource;
    std::unique_ptr<BannerWindow> banner;
    std::unique_ptr<ClockWeatherStrip> strip;
    std::unique_ptr<ScreenFollower> screenFollower; // goes before the windows it lays out
    std::unique_ptr<BannerCycle> cycle; // its timers stop before the windows they drive go
    std::unique_ptr<StripDisplay> stripDisplay;
    std::unique_ptr<WeatherFeed> weather;
    std::unique_ptr<DailyScheduler> scheduler;
    std::unique_ptr<TerminationWatcher> termination;
    QPointer<StartupWindow> startupWindow;

    // What the service manager and the status file are told.
    std::unique_ptr<ServiceNotifier> notifier = std::make_unique<ServiceNotifier>();
    std::unique_ptr<StartupKeepAlive> keepAlive; // the start-up reports through it
    QTimer* statusTimer = nullptr;
    QTimer* emptyRetry = nullptr;
    ChannelStatus status;
    QDateTime startedAt;
    QString bootId = currentBootId(); // the channel's start is recorded under it
    std::unique_ptr<FleetReports> fleet; // the group's monitoring

    Parts(ProgramPaths p, Timings t, PlayerPlatform pf) : paths(std::move(p)), timings(t), platform(std::move(pf)) {}

    void setupPlatform();
    void setupTermination();
    void setupMainScreen();
    void setupPlayer();
    void setupStartup();
    void setupFtp();
    void setupTimers();
    void setupScreenWindows();
    void setupWeather();
    void setupScheduler();
    void setupServiceReports();

    void runStartup(bool quick = false);
    bool chooseQuickStart();
    void checkSomethingPlays();
    void writeStatus();
    void applySettings(const Settings& settings);
    void showBanner();
    void closeStartupWindow();
    void refreshWeatherAtStartup();
    void armTimers();
    void refreshTexts();
    void mirrorLists();
    void mirrorWeather();
    ClockWeatherStrip* ensureStrip();
    void endOnSignal(int signalNumber);
};

PlayerPlatform::PlayerPlatform() = default;
PlayerPlatform::~PlayerPlatform() = default;
PlayerPlatform::PlayerPlatform(PlayerPlatform&&) noexcept = default;
PlayerPlatform& PlayerPlatform::operator=(PlayerPlatform&&) noexcept = default;


PlayerApp::PlayerApp(ProgramPaths paths, Timings timings, PlayerPlatform platform)
    : m(std::make_unique<Parts>(std::move(paths), timings, std::move(platform)))
{
    installLogFormat();
    m->servers = readServerConfig(existingPathOrEmpty(m->paths.configIni()));
    m->setupPlatform();
    m->setupTermination();
    m->setupMainScreen();
    m->setupPlayer();
    m->setupStartup();
    m->setupFtp();
    m->setupTimers();
    m->setupScreenWindows();
    m->setupWeather();
    m->setupScheduler();
    m->setupServiceReports();
}

PlayerApp::~PlayerApp() { delete m->startupWindow.data(); }

void PlayerApp::Parts::setupPlatform()
{
    PlayerPlatform& p = platform;
    if (!p.clock)
        p.clock = std::make_unique<SystemClock>();
    if (!p.probe)
        p.probe = std::make_unique<SystemConnectionProbe>();
    if (!p.rebooter)
        p.rebooter = std::make_unique<SystemRebooter>(servers.rebootCommand);
    if (!p.shell)
        p.shell = std::make_unique<DesktopShellOpener>();
    if (!p.random)
        p.random = std::make_unique<RandomSource>();
    if (!p.ftpEngine)
        p.ftpEngine = std::make_unique<FtpTransfer>();
    if (!p.httpEngine) {
        auto http = std::make_unique<HttpTransfer>(timings);
        http->setMaxReceiveRate(servers.downloadRateLimit);
        p.httpEngine = std::move(http);
    }
    if (!p.makePlayer) {
        p.makePlayer = [this](QWidget* mainScreen, QWidget*& video) -> std::unique_ptr<MediaPlayer> {
            MpvPlayerOptions options;
            options.retryAfterAllFailedMs = timings.playerRetryMs;
            auto player = std::make_unique<MpvPlayer>(mainScreen, options);
            video = player->videoWidget();
            return player;
        };
    }
    if (!p.makeWebView)
        p.makeWebView = [] { return makeWebView(nullptr); };
    if (!p.endProgram) {
        p.endProgram = [] {
            // Ends at once, as the operator expects of "quit": no window runs its own
            // shutdown, no timer fires again.
            qCInfo(lcSystem) << "the player ends with status 0: stopped on purpose, not restarted before the next boot";
            std::fflush(stderr);
            std::_Exit(0);
        };
    }
    if (!p.messageBox)
        p.messageBox = [](const QString& text) { QMessageBox::information(nullptr, QApplication::applicationName(), text); };
    if (!p.blockingWait)
        p.blockingWait = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
}

void PlayerApp::Parts::setupTermination()
{
    termination = std::make_unique<TerminationWatcher>();
    QObject::connect(termination.get(), &TerminationWatcher::terminationRequested, termination.get(),
                     [this](int signalNumber) { endOnSignal(signalNumber); });
}

void PlayerApp::Parts::endOnSignal(int signalNumber)
{
    // A download under way stays in the journal, which is written before its first
    // byte; ending here leaves exactly what a power cut would, and the next start-up
    // deletes the partial file and fetches it again.
    // During the start-up the service manager's start timeout is the likely sender: say
    // where the start-up stood.
    qCInfo(lcSystem).noquote() << (signalNumber == SIGINT ? "SIGINT" : "SIGTERM") << "received"
                               << (loaded ? QStringLiteral("while the channel played")
                                          : QStringLiteral("during the start-up (") + keepAlive->statusLine() + ')')
                               << ": transfers stopped, the player ends";
    status.state = QStringLiteral("stopping");
    writeStatus();
    notifier->notifyStopping();
    // The FTP engine's request, if any, ends with its worker thread when it is destroyed.
    platform.httpEngine->cancel();
    platform.endProgram();
}

void PlayerApp::Parts::setupMainScreen()
{
    MainScreenActions actions{*platform.shell, servers.update.baseUrl() + QStringLiteral("/download"),
                              platform.endProgram, platform.messageBox};
    mainScreen = std::make_unique<MainScreen>(std::move(actions));
    QObject::connect(mainScreen.get(), &MainScreen::panelOpening, mainScreen.get(), [this] { mirrorLists(); });
}

void PlayerApp::Parts::setupPlayer()
{
    player = platform.makePlayer(mainScreen.get(), videoWidget);
    player->setFailureHandler([this](const QString& path) { sequence->playerCouldNotOpen(path); });
    mainScreen->attachPlayer(*player, videoWidget);
}

void PlayerApp::Parts::setupStartup()
{
    keepAlive = std::make_unique<StartupKeepAlive>(reporter, *notifier, timings.startupProgressGraceMs,
                                                   timings.startupProgressNoticeMs);
    StartupSeams seams{*platform.probe, *keepAlive, *platform.httpEngine, *player, *platform.random,
                       letEventsRun};
    sequence = std::make_unique<StartupSequence>(paths, servers, timings, std::move(seams));
    QObject::connect(sequence.get(), &StartupSequence::settingsRead, mainScreen.get(),
                     [this](const Settings& s) { applySettings(s); });
}

void PlayerApp::Parts::setupFtp()
{
    ftp = std::make_unique<FtpSession>(*platform.ftpEngine);
    OperatorPanel* panel = mainScreen->panel();
    QObject::connect(ftp.get(), &FtpSession::listedEntriesChanged, panel,
                     [panel](const QStringList& entries) { panel->showList(QStringLiteral("List1"), entries); });
    QObject::connect(ftp.get(), &FtpSession::remoteDirectoryChanged, panel->remoteDirectoryField(), &QLineEdit::setText);
    QObject::connect(ftp.get(), &FtpSession::statusTextChanged, panel,
                     [panel](const QString& text) { panel->statusBar()->showMessage(text); });
    QObject::connect(panel->localDirectoryField(), &QLineEdit::textChanged, ftp.get(), &FtpSession::setLocalDirectory);
    QObject::connect(panel->list(QStringLiteral("List1")), &QListWidget::itemDoubleClicked, ftp.get(),
                     [this](QListWidgetItem* item) {
                         if (item)
                             ftp->activateEntry(item->text());
                     });
}

void PlayerApp::Parts::setupTimers()
{
    const auto make = [this](const char* name, int interval) {
        auto* t = new QTimer(mainScreen.get());
        t->setObjectName(QLatin1String(name));
        t->setInterval(interval);
        return t;
    };
    timeHorloge = make("timeHorloge", timings.overlayFirstShowMs);
    timeMajTextes = make("TimeMajTextes", timings.textsTickMs);
    timeMajMeteo = make("TimeMajMeteo", timings.weatherTickMs);
    timeHorloge->setSingleShot(true);
}

void PlayerApp::Parts::setupScreenWindows()
{
    raiser = std::make_unique<QtWindowRaiser>();
    phraseSource = std::make_unique<PhraseStateSource>(phrases);
    banner = std::make_unique<BannerWindow>();
    banner->setObjectName(QStringLiteral("frmPhrase_ZEPRIL"));
    cycle = std::make_unique<BannerCycle>(*banner, *raiser, *phraseSource, *platform.clock, timings);
    cycle->timeCycleBandeau().setObjectName(QStringLiteral("TimeCycleBandeau"));
    raiser->setWindow(StackedWindow::Main, mainScreen.get());
    raiser->setWindow(StackedWindow::Banner, banner.get());
    screenFollower = followScreen(*mainScreen, *banner, [this] { return strip.get(); }, timings);
    QObject::connect(timeHorloge, &QTimer::timeout, mainScreen.get(), [this] {
        timeHorloge->stop();
        ensureStrip();
        raiser->raise(StackedWindow::Overlay);
    });
}

ClockWeatherStrip* PlayerApp::Parts::ensureStrip()
{
    if (strip)
        return strip.get();
    strip = std::make_unique<ClockWeatherStrip>(*platform.clock, timings);
    strip->setObjectName(QStringLiteral("ClockWeatherStrip"));
    std::array<QPixmap, 6> pictures;
    for (int i = 0; i < 6; ++i)
        pictures[size_t(i)] = stockPictogram(i);
    strip->setStockPictures(pictures);
    raiser->setWindow(StackedWindow::Overlay, strip.get());
    mainScreen->setNeighbours(strip.get(), banner.get());
    QObject::connect(strip.get(), &ClockWeatherStrip::weatherRefreshRequested, mainScreen.get(),
                     [this] { weather->refresh(); });
    strip->load();
    return strip.get();
}

void PlayerApp::Parts::setupWeather()
{
    stripDisplay = std::make_unique<StripDisplay>([this] { return ensureStrip(); });
    weather = std::make_unique<WeatherFeed>(*platform.clock, *platform.probe, paths, servers.weather,
                                            httpWeatherFetch(HttpOptions::fromTimings(timings)), *stripDisplay,
                                            WeatherFields{lstMeteo, txtMeteo, weatherTickCount});
    QObject::connect(timeMajMeteo, &QTimer::timeout, mainScreen.get(), [this] {
        weather->onWeatherTick();
        mirrorWeather();
    });
}

void PlayerApp::Parts::setupServiceReports()
{
    startedAt = platform.clock->now();
    status.version = QCoreApplication::applicationVersion();
    status.state = QStringLiteral("starting");
    notifier->startWatchdog();
    fleet = std::make_unique<FleetReports>(
        paths, timings,
        FleetSources{*platform.clock, *player, [this] { writeStatus(); }, [this] { return statusJson(status); },
                     [this] {
                         // Between the clock strip and the banner only the video is seen.
                         QRect area = mainScreen->geometry();
                         if (strip)
                             area.setTop(std::max(area.top(), strip->geometry().bottom() + 1));
                         area.setBottom(std::min(area.bottom(), banner->geometry().top() - 1));
                         return area;
                     },
                     [this] { return cycle->passRunning(); }});
    QObject::connect(cycle.get(), &BannerCycle::passEnded, mainScreen.get(), [this] { fleet->countBannerPass(); });
    player->setPlayingHandler([this](const QString& path) {
        fleet->countItemPlayed();
        status.currentItem = QDir(paths.videoRoot(sequence->activeVideoDir())).relativeFilePath(path);
        if (status.state != QLatin1String("playing")) {
            status.state = QStringLiteral("playing");
            // Recorded before READY: whoever reads READY may end the player at once.
            if (!bootId.isEmpty())
                writeChannelStart(paths, {bootId, 0});
            notifier->notifyReady(QStringLiteral("playing"));
        }
    });
    statusTimer = new QTimer(mainScreen.get());
    statusTimer->setObjectName(QStringLiteral("StatusFile"));
    statusTimer->setInterval(timings.statusWriteMs);
    QObject::connect(statusTimer, &QTimer::timeout, mainScreen.get(), [this] {
        writeStatus();
        // Freed heap pages stay resident until they are trimmed; a player that runs for
        // months hands them back once a minute, so that what it holds follows what it uses.
        malloc_trim(0);
    });
    emptyRetry = new QTimer(mainScreen.get());
    emptyRetry->setObjectName(QStringLiteral("EmptyPlaylistRetry"));
    emptyRetry->setInterval(timings.emptyPlaylistRetryMs);
    QObject::connect(emptyRetry, &QTimer::timeout, mainScreen.get(), [this] {
        if (sequence->composeAgain()) {
            emptyRetry->stop();
            qCInfo(lcStartup) << "videos found: the channel plays again with" << sequence->playlist().size()
                              << "item(s)";
            mirrorLists();
        }
        writeStatus();
    });
}

void PlayerApp::Parts::checkSomethingPlays()
{
    if (!sequence->playlist().isEmpty())
        return;
    // A black screen must not look like a quiet channel to whoever reads the log.
    for (const TreeFinding& f : checkProgramTree(paths.root()))
        if (f.severity == TreeFinding::Error)
            qCCritical(lcStartup).noquote() << f.text;
    qCCritical(lcStartup).noquote() << "nothing to play in" << paths.videoRoot(sequence->activeVideoDir())
                                    << "- looking again every" << timings.emptyPlaylistRetryMs / 1000 << "s";
    status.state = QStringLiteral("no video");
    notifier->notifyReady(QStringLiteral("no video to play"));
    emptyRetry->start();
}

void PlayerApp::Parts::writeStatus()
{
    const QDateTime now = platform.clock->now();
    status.playlistSize = int(sequence->playlist().size());
    status.lastSyncFailed = sequence->failedDownloads();
    status.nextReboot = nextDailyTime(sequence->settings().majvid_heure, now).value_or(QDateTime());
    status.uptimeSeconds = startedAt.secsTo(now);
    status.written = now;
    writeStatusFile(joinPath(paths.root(), QStringLiteral("status.json")), status);
    fleet->write(fleet->snapshot(status, *sequence));
}

void PlayerApp::Parts::setupScheduler()
{
    scheduler = std::make_unique<DailyScheduler>(
        *platform.clock, [this] { askDailyRebootOnce(paths, platform.clock->now(), *platform.rebooter); },
        [this] { refreshTexts(); });
    QObject::connect(timeMajTextes, &QTimer::timeout, scheduler.get(), &DailyScheduler::onTick);
}

void PlayerApp::start()
{
    if (m->chooseQuickStart()) {
        m->runStartup(true);
        m->mainScreen->show();
        m->mainScreen->raise();
        return;
    }
    auto* window = new StartupWindow(m->paths, m->servers, m->timings, m->platform.makeWebView());
    window->setAttribute(Qt::WA_DeleteOnClose);
    m->startupWindow = window;
    m->reporter.window = window;
    QObject::connect(window, &StartupWindow::showMainScreenRequested, m->mainScreen.get(), [this] { showMainScreen(); });
    // Centred on the screen, as the start-up window of a kiosk is expected to be.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->geometry().center() - window->rect().center());
    window->show();
    window->load();
}

void PlayerApp::showMainScreen()
{
    // A request that comes while the start-up yields must neither start it again nor
    // show the screen before the start-up is over.
    if (m->loading)
        return;
    if (!m->loaded)
        m->runStartup();
    m->mainScreen->show();
    m->mainScreen->raise();
}

bool PlayerApp::Parts::chooseQuickStart()
{
    const std::optional<ChannelStartRecord> record = readChannelStart(paths);
    const StartChoice choice = chooseStart(record, bootId);
    qCInfo(lcStartup).noquote() << (choice.quick ? "straight to the channel:" : "whole start-up:") << choice.reason;
    // Counted before it is tried, so that quick starts that crash give way to the whole one.
    if (choice.quick)
        writeChannelStart(paths, {bootId, record->quickStarts + 1});
    return choice.quick;
}

void PlayerApp::Parts::runStartup(bool quick)
{
    loading = true;
    QElapsedTimer elapsed;
    elapsed.start();
    qCInfo(lcStartup) << "start-up begins; program directory" << paths.root();
    if (startupWindow)
        startupWindow->show();
    if (videoWidget)
        videoWidget->move(0, 0);
    if (servers.ftpUser.isEmpty())
        qCInfo(lcFtp) << "no FTP account in [Serveurs] ftp_user: the panel's FTP browser stays empty";
    else
        ftp->connectToServer(ftpSessionSettings(servers, timings));

    if (quick)
        sequence->runFromDisk();
    else
        sequence->run();
    phrases.lstPhrase = sequence->phrases();
    phrases.phraseCount = int(phrases.lstPhrase.size());
    phrases.phraseIndex = 0;

    if (!sequence->manualMode() && !quick)
        status.lastSync = platform.clock->now();
    fleet->startupDone(*sequence, platform.clock->now(), quick);

    showBanner();
    closeStartupWindow();
    // A quick start shows the channel first: a slow weather service must not hold it.
    if (quick)
        QTimer::singleShot(0, mainScreen.get(), [this] { refreshWeatherAtStartup(); });
    else
        refreshWeatherAtStartup();
    armTimers();
    const QDateTime now = platform.clock->now();
    askMissedDailyReboot(paths, now, bootTime(now), scheduler->rebootTime(), *platform.rebooter);
    mirrorLists();
    checkSomethingPlays();
    statusTimer->start();
    writeStatus();
    loading = false;
    loaded = true;
    setRunPhase(RunPhase::Playing);
    qCInfo(lcStartup) << "start-up done in" << elapsed.elapsed() << "ms";
}

void PlayerApp::Parts::applySettings(const Settings& s)
{
    mainScreen->panel()->showSettings(s);
    // A cycle_phrase that is no number was told by the config check; the pause keeps
    // its design interval.
    if (const auto ms = cycleIntervalMs(s.cycle_phrase))
        cycle->setCycleIntervalMs(*ms);
    weatherTickCount = 0;
    // The scheduler keeps the reboot time, the refresh period and its tick count.
    scheduler->configure(s.majvid_heure, s.majphr_heure);
}

void PlayerApp::Parts::showBanner()
{
    const Settings& s = sequence->settings();
    banner->load(resolveBannerSettings(s.vitesse_affphrase, s.taille_police, s.ratio_taillebandeau));
    banner->setSkin(paths.skinFile(QStringLiteral("back.jpg")), paths.skinFile(QStringLiteral("logo.jpg")));
    banner->setTextColours(s.couleur_texte);
}

void PlayerApp::Parts::closeStartupWindow()
{
    // The warning must stay readable before the window goes.
    if (reporter.connectionWarningShown())
        platform.blockingWait(timings.noConnectionWaitMs);
    if (startupWindow)
        startupWindow->unload();
}

void PlayerApp::Parts::refreshWeatherAtStartup()
{
    weather->refreshWhenConnected();
    mirrorWeather();
}

void PlayerApp::Parts::armTimers()
{
    timeHorloge->start();
    cycle->start();
    timeMajTextes->start();
    timeMajMeteo->start();
    qCInfo(lcStartup) << "timers armed: banner pause" << cycle->timeCycleBandeau().interval() << "ms";
}

void PlayerApp::Parts::refreshTexts()
{
    // The hotel is the one the start-up read from the settings.
    const QString hotel = sequence->settings().nom_hotel;
    const RefreshOutcome outcome = zepril::refreshTexts(
        phrases, *platform.probe,
        [&] { return fetchHotelTexts(servers.update, hotel, paths, HttpOptions::fromTimings(timings)).ok; },
        [this] { return loadPhraseList(paths.textesIni()); });
    status.lastTextsRefresh = platform.clock->now();
    status.lastTextsOutcome = outcome == RefreshOutcome::Refreshed     ? QStringLiteral("refreshed")
                              : outcome == RefreshOutcome::FetchFailed ? QStringLiteral("fetch failed")
                                                                        : QStringLiteral("no connection");
    mainScreen->panel()->showList(QStringLiteral("lstPhrase"), phrases.lstPhrase);
}

void PlayerApp::Parts::mirrorWeather()
{
    OperatorPanel* panel = mainScreen->panel();
    panel->showList(QStringLiteral("lstMeteo"), lstMeteo);
    panel->txtMeteo()->setPlainText(txtMeteo);
}

void PlayerApp::Parts::mirrorLists()
{
    OperatorPanel* panel = mainScreen->panel();
    const StartupSequence& s = *sequence;
    panel->showList(QStringLiteral("lstPlayList"), s.playlist());
    panel->showList(QStringLiteral("lstPhrase"), phrases.lstPhrase);
    panel->showList(QStringLiteral("lstTemp"), s.categoryWork());
    panel->showList(QStringLiteral("lstCat"), s.lastCategoryListing());
    panel->showList(QStringLiteral("lstSyncSupp"), s.removedBySync());
    panel->showList(QStringLiteral("failedDownloads"), s.failedDownloads());
    panel->showList(QStringLiteral("lstMeteo"), lstMeteo);
    for (size_t i = 0; i < kCategories.size(); ++i) {
        panel->showList(QLatin1String(kCategories[i].name), s.serverLists()[i]);
        panel->showList(QLatin1String(kCategories[i].playableList), s.playable()[i]);
    }
}

bool PlayerApp::loaded() const { return m->loaded; }
MainScreen& PlayerApp::mainScreen() const { return *m->mainScreen; }
const StartupSequence& PlayerApp::startup() const { return *m->sequence; }
StartupWindow* PlayerApp::startupWindow() const { return m->startupWindow; }
BannerWindow& PlayerApp::banner() const { return *m->banner; }
ClockWeatherStrip* PlayerApp::clockWeatherStrip() const { return m->strip.get(); }

QTimer* PlayerApp::timer(const QString& name) const
{
    if (name == QLatin1String("TimeCycleBandeau"))
        return &m->cycle->timeCycleBandeau();
    return m->mainScreen->findChild<QTimer*>(name, Qt::FindDirectChildrenOnly);
}

}
