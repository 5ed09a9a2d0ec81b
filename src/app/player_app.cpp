#include "app/player_app.h"

#include "app/fleet_reports.h"
#include "app/main_screen.h"
#include "app/operator_panel.h"
#include "app/panel_mirror.h"
#include "app/phrase_state_source.h"
#include "app/screen_following.h"
#include "app/service_reports.h"
#include "app/startup_report_relay.h"
#include "app/startup_run.h"
#include "app/startup_sequence.h"
#include "app/startup_window.h"
#include "app/web_view.h"
#include "core/boot_id.h"
#include "core/categories.h"
#include "core/clock.h"
#include "core/connection_probe.h"
#include "core/event_wait.h"
#include "core/file_helpers.h"
#include "core/logging.h"
#include "core/server_config.h"
#include "core/termination.h"
#include "net/ftp_session.h"
#include "net/ftp_transfer.h"
#include "net/http_fetch.h"
#include "net/http_transfer.h"
#include "net/update_server.h"
#include "presentation/banner_cycle.h"
#include "presentation/banner_window.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/mpv_player.h"
#include "presentation/screen_follower.h"
#include "presentation/shell_open.h"
#include "presentation/window_raiser.h"
#include "system/daily_reboot.h"
#include "system/daily_scheduler.h"
#include "system/reboot.h"
#include "system/startup_keep_alive.h"
#include "system/texts_refresh.h"
#include "weather/pictograms.h"
#include "weather/weather_display.h"
#include "weather/weather_feed.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace zepril {

namespace {

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
    StartupReportRelay reporter;
    QString bootId = currentBootId(); // the channel's start is recorded under it

    // The run's state that outlives the start-up: the banner's phrases and the weather.
    PhraseState phrases;
    QStringList forecastValues; // extracted by the last weather refresh
    QString forecastText;       // the beginning of the forecast, for the panel
    int weatherTicks = 0;       // since the last weather refresh

    std::unique_ptr<MainScreen> mainScreen;
    std::unique_ptr<MediaPlayer> player; // destroyed before the window it draws into
    QWidget* videoWidget = nullptr;
    std::unique_ptr<StartupSequence> sequence;
    std::unique_ptr<FtpSession> ftp;
    std::unique_ptr<PanelMirror> panelMirror;
    QTimer* stripFirstShow = nullptr; // children of the main screen
    QTimer* textsTick = nullptr;
    QTimer* weatherTick = nullptr;
    std::unique_ptr<QtWindowRaiser> raiser;
    std::unique_ptr<PhraseStateSource> phraseSource;
    std::unique_ptr<BannerWindow> banner;
    std::unique_ptr<ClockWeatherStrip> strip;
    std::unique_ptr<ScreenFollower> screenFollower; // goes before the windows it lays out
    std::unique_ptr<BannerCycle> cycle;             // its timers stop before the windows they drive go
    std::unique_ptr<StripDisplay> stripDisplay;
    std::unique_ptr<WeatherFeed> weather;
    std::unique_ptr<DailyScheduler> scheduler;
    std::unique_ptr<TerminationWatcher> termination;
    std::unique_ptr<ServiceReports> reports; // the start-up reports through its keep-alive
    std::unique_ptr<StartupRun> run;

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
    void setupRun();

    void applySettings(const Settings& settings);
    void refreshTexts();
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
    m->setupRun();
}

PlayerApp::~PlayerApp() = default;

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
        p.messageBox = [](const QString& text) {
            QMessageBox::information(nullptr, QApplication::applicationName(), text);
        };
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
                               << (run->loaded()
                                       ? QStringLiteral("while the channel played")
                                       : QStringLiteral("during the start-up (") + reports->startupStatusLine() + ')')
                               << ": transfers stopped, the player ends";
    reports->stopping();
    // The FTP engine's request, if any, ends with its worker thread when it is destroyed.
    platform.httpEngine->cancel();
    platform.endProgram();
}

void PlayerApp::Parts::setupMainScreen()
{
    MainScreenActions actions{*platform.shell, servers.update.baseUrl() + QStringLiteral("/download"),
                              platform.endProgram, platform.messageBox};
    mainScreen = std::make_unique<MainScreen>(std::move(actions));
    QObject::connect(mainScreen.get(), &MainScreen::panelOpening, mainScreen.get(),
                     [this] { panelMirror->showLists(); });
}

void PlayerApp::Parts::setupPlayer()
{
    player = platform.makePlayer(mainScreen.get(), videoWidget);
    player->setFailureHandler([this](const QString& path) { sequence->playerCouldNotOpen(path); });
    mainScreen->attachPlayer(*player, videoWidget);
}

void PlayerApp::Parts::setupStartup()
{
    reports = std::make_unique<ServiceReports>(paths, timings, *platform.clock, reporter, bootId);
    StartupSeams seams{*platform.probe, reports->keepAlive(), *platform.httpEngine,
                       *player,         *platform.random,     letEventsRun};
    sequence = std::make_unique<StartupSequence>(paths, servers, timings, std::move(seams));
    QObject::connect(sequence.get(), &StartupSequence::settingsRead, mainScreen.get(),
                     [this](const Settings& s) { applySettings(s); });
}

void PlayerApp::Parts::setupFtp()
{
    ftp = std::make_unique<FtpSession>(*platform.ftpEngine);
    panelMirror = std::make_unique<PanelMirror>(*mainScreen->panel(), *sequence, phrases, forecastValues, forecastText);
    panelMirror->followFtp(*ftp);
}

void PlayerApp::Parts::setupTimers()
{
    const auto make = [this](const char* name, int interval) {
        auto* t = new QTimer(mainScreen.get());
        t->setObjectName(QLatin1String(name));
        t->setInterval(interval);
        return t;
    };
    stripFirstShow = make("timeHorloge", timings.overlayFirstShowMs);
    textsTick = make("TimeMajTextes", timings.textsTickMs);
    weatherTick = make("TimeMajMeteo", timings.weatherTickMs);
    stripFirstShow->setSingleShot(true);
}

void PlayerApp::Parts::setupScreenWindows()
{
    raiser = std::make_unique<QtWindowRaiser>();
    phraseSource = std::make_unique<PhraseStateSource>(phrases);
    banner = std::make_unique<BannerWindow>();
    banner->setObjectName(QStringLiteral("frmPhrase_ZEPRIL"));
    cycle = std::make_unique<BannerCycle>(*banner, *raiser, *phraseSource, *platform.clock, timings);
    cycle->pauseTimer().setObjectName(QStringLiteral("TimeCycleBandeau"));
    raiser->setWindow(StackedWindow::Main, mainScreen.get());
    raiser->setWindow(StackedWindow::Banner, banner.get());
    screenFollower = followScreen(
        *mainScreen, *banner, [this] { return strip.get(); }, timings);
    QObject::connect(stripFirstShow, &QTimer::timeout, mainScreen.get(), [this] {
        stripFirstShow->stop();
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
                                            WeatherFields{forecastValues, forecastText, weatherTicks});
    QObject::connect(weatherTick, &QTimer::timeout, mainScreen.get(), [this] {
        weather->onWeatherTick();
        panelMirror->showWeather();
    });
}

void PlayerApp::Parts::setupServiceReports()
{
    const auto videoArea = [this] {
        // Between the clock strip and the banner only the video is seen.
        QRect area = mainScreen->geometry();
        if (strip)
            area.setTop(std::max(area.top(), strip->geometry().bottom() + 1));
        area.setBottom(std::min(area.bottom(), banner->geometry().top() - 1));
        return area;
    };
    reports->begin(*sequence, *mainScreen,
                   FleetSources{*platform.clock, *player, {}, {}, videoArea, [this] { return cycle->passRunning(); }},
                   [this] { panelMirror->showLists(); });
    QObject::connect(cycle.get(), &BannerCycle::passEnded, mainScreen.get(),
                     [this] { reports->fleet().countBannerPass(); });
    player->setPlayingHandler([this](const QString& path) { reports->itemPlaying(path); });
}

void PlayerApp::Parts::setupScheduler()
{
    scheduler = std::make_unique<DailyScheduler>(
        *platform.clock, [this] { askDailyRebootOnce(paths, platform.clock->now(), *platform.rebooter); },
        [this] { refreshTexts(); });
    QObject::connect(textsTick, &QTimer::timeout, scheduler.get(), &DailyScheduler::onTick);
}

void PlayerApp::Parts::setupRun()
{
    run = std::make_unique<StartupRun>(
        StartupRunParts{paths,       servers,      timings, platform,        reporter,   *sequence,   *ftp,
                        *mainScreen, videoWidget,  phrases, *banner,         *cycle,     *weather,    *scheduler,
                        *reports,    *panelMirror, bootId,  *stripFirstShow, *textsTick, *weatherTick});
}

void PlayerApp::start() { m->run->start(); }
void PlayerApp::showMainScreen() { m->run->showMainScreen(); }

void PlayerApp::Parts::applySettings(const Settings& s)
{
    mainScreen->panel()->showSettings(s);
    // A cycle_phrase that is no number was told by the config check; the pause keeps
    // its design interval.
    if (const auto ms = cycleIntervalMs(s.cycle_phrase))
        cycle->setCycleIntervalMs(*ms);
    weatherTicks = 0;
    // The scheduler keeps the reboot time, the refresh period and its tick count.
    scheduler->configure(s.majvid_heure, s.majphr_heure);
}

void PlayerApp::Parts::refreshTexts()
{
    // The hotel is the one the start-up read from the settings.
    const QString hotel = sequence->settings().nom_hotel;
    const RefreshOutcome outcome = zepril::refreshTexts(
        phrases, *platform.probe,
        [&] { return fetchHotelTexts(servers.update, hotel, paths, HttpOptions::fromTimings(timings)).ok; },
        [this] { return loadPhraseList(paths.textesIni()); });
    reports->textsRefreshed(outcome);
    panelMirror->showPhrases();
}

bool PlayerApp::loaded() const { return m->run->loaded(); }
MainScreen& PlayerApp::mainScreen() const { return *m->mainScreen; }
const StartupSequence& PlayerApp::startup() const { return *m->sequence; }
StartupWindow* PlayerApp::startupWindow() const { return m->run->window(); }
BannerWindow& PlayerApp::banner() const { return *m->banner; }
ClockWeatherStrip* PlayerApp::clockWeatherStrip() const { return m->strip.get(); }

QTimer* PlayerApp::timer(const QString& name) const
{
    if (name == QLatin1String("TimeCycleBandeau"))
        return &m->cycle->pauseTimer();
    return m->mainScreen->findChild<QTimer*>(name, Qt::FindDirectChildrenOnly);
}

}
