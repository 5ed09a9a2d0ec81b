#include "app/startup_run.h"

#include "app/main_screen.h"
#include "app/panel_mirror.h"
#include "app/player_app.h"
#include "app/service_reports.h"
#include "app/startup_report_relay.h"
#include "app/startup_sequence.h"
#include "app/startup_window.h"
#include "app/web_view.h"
#include "core/clock.h"
#include "core/exit_reasons.h"
#include "core/logging.h"
#include "net/ftp_session.h"
#include "presentation/banner_cycle.h"
#include "presentation/banner_layout.h"
#include "presentation/banner_window.h"
#include "system/daily_reboot.h"
#include "system/daily_scheduler.h"
#include "system/quick_restart.h"
#include "system/texts_refresh.h"
#include "weather/weather_feed.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace zepril {

StartupRun::StartupRun(StartupRunParts parts) : m(std::move(parts)) {}

StartupRun::~StartupRun() { delete m_window.data(); }

void StartupRun::start()
{
    if (chooseQuickStart()) {
        run(true);
        m.mainScreen.show();
        m.mainScreen.raise();
        return;
    }
    auto* window = new StartupWindow(m.paths, m.servers, m.timings, m.platform.makeWebView());
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_window = window;
    m.reporter.window = window;
    QObject::connect(window, &StartupWindow::showMainScreenRequested, &m.mainScreen, [this] { showMainScreen(); });
    // Centred on the screen, as the start-up window of a kiosk is expected to be.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->geometry().center() - window->rect().center());
    window->show();
    window->load();
}

void StartupRun::showMainScreen()
{
    // A request that comes while the start-up yields must neither start it again nor
    // show the screen before the start-up is over.
    if (m_loading)
        return;
    if (!m_loaded)
        run(false);
    m.mainScreen.show();
    m.mainScreen.raise();
}

bool StartupRun::chooseQuickStart()
{
    const std::optional<ChannelStartRecord> record = readChannelStart(m.paths);
    const StartChoice choice = chooseStart(record, m.bootId);
    qCInfo(lcStartup).noquote() << (choice.quick ? "straight to the channel:" : "whole start-up:") << choice.reason;
    // Counted before it is tried, so that quick starts that crash give way to the whole one.
    if (choice.quick)
        writeChannelStart(m.paths, {m.bootId, record->quickStarts + 1});
    return choice.quick;
}

void StartupRun::run(bool quick)
{
    m_loading = true;
    QElapsedTimer elapsed;
    elapsed.start();
    qCInfo(lcStartup) << "start-up begins; program directory" << m.paths.root();
    if (m_window)
        m_window->show();
    if (m.videoWidget)
        m.videoWidget->move(0, 0);
    if (m.servers.ftpUser.isEmpty())
        qCInfo(lcFtp) << "no FTP account in [Serveurs] ftp_user: the panel's FTP browser stays empty";
    else
        m.ftp.connectToServer(ftpSessionSettings(m.servers, m.timings));

    if (quick)
        m.sequence.runFromDisk();
    else
        m.sequence.run();
    m.phrases.texts = m.sequence.phrases();
    m.phrases.count = int(m.phrases.texts.size());
    m.phrases.current = 0;
    m.reports.stagesDone(quick);

    showBanner();
    closeStartupWindow();
    // A quick start shows the channel first: a slow weather service must not hold it.
    if (quick)
        QTimer::singleShot(0, &m.mainScreen, [this] { refreshWeather(); });
    else
        refreshWeather();
    armTimers();
    const QDateTime now = m.platform.clock->now();
    askMissedDailyReboot(m.paths, now, bootTime(now), m.scheduler.rebootTime(), *m.platform.rebooter);
    m.panel.showLists();
    m.reports.startupDone();
    m_loading = false;
    m_loaded = true;
    setRunPhase(RunPhase::Playing);
    qCInfo(lcStartup) << "start-up done in" << elapsed.elapsed() << "ms";
}

void StartupRun::showBanner()
{
    const Settings& s = m.sequence.settings();
    m.banner.load(resolveBannerSettings(s.vitesse_affphrase, s.taille_police, s.ratio_taillebandeau));
    m.banner.setSkin(m.paths.skinFile(QStringLiteral("back.jpg")), m.paths.skinFile(QStringLiteral("logo.jpg")));
    m.banner.setTextColours(s.couleur_texte);
}

void StartupRun::closeStartupWindow()
{
    // The warning must stay readable before the window goes.
    if (m.reporter.connectionWarningShown())
        m.platform.blockingWait(m.timings.noConnectionWaitMs);
    if (m_window)
        m_window->unload();
}

void StartupRun::refreshWeather()
{
    m.weather.refreshWhenConnected();
    m.panel.showWeather();
}

void StartupRun::armTimers()
{
    m.stripFirstShow.start();
    m.cycle.start();
    m.textsTick.start();
    m.weatherTick.start();
    qCInfo(lcStartup) << "timers armed: banner pause" << m.cycle.pauseTimer().interval() << "ms";
}

}
