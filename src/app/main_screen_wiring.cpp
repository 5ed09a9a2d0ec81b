// The main screen's windows and timers around the start-up: the banner and its cycle,
// the clock and weather strip, the minute scheduler, and the FTP browser of the panel.
#include "app/main_screen.h"
#include "app/main_screen_adapters.h"

#include "core/clock.h"
#include "core/logging.h"
#include "core/startup_reporter.h"
#include "app/operator_panel.h"
#include "net/ftp_session.h"
#include "net/http_fetch.h"
#include "system/reboot.h"
#include "net/update_server.h"
#include "presentation/banner_cycle.h"
#include "presentation/banner_layout.h"
#include "system/daily_scheduler.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/banner_window.h"
#include "presentation/window_raiser.h"
#include "weather/weather_feed.h"
#include "weather/pictograms.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QListWidget>
#include <QStatusBar>
#include <QTimer>

namespace zepril {

void MainScreen::setupScreenWindows()
{
    m_raiser = std::make_unique<QtWindowRaiser>();
    m_phraseSource = std::make_unique<PhraseStateSource>(m_state.phrases);
    m_banner = new BannerWindow;
    m_banner->setObjectName(QStringLiteral("frmPhrase_ZEPRIL"));
    m_cycle = std::make_unique<BannerCycle>(*m_banner, *m_raiser, *m_phraseSource, m_timings);
    m_cycle->timeCycleBandeau().setObjectName(QStringLiteral("TimeCycleBandeau"));
    m_raiser->setWindow(StackedWindow::Main, this);
    m_raiser->setWindow(StackedWindow::Banner, m_banner);

    m_overlayDisplay = std::make_unique<OverlayDisplay>([this] { return ensureOverlay(); });
    m_weather = std::make_unique<WeatherFeed>(
        m_services.clock, m_services.probe, m_paths, m_servers.weather,
        httpWeatherFetch(HttpOptions::fromTimings(m_timings)), *m_overlayDisplay,
        WeatherFields{m_state.lstMeteo, m_state.txtMeteo, m_state.weatherTickCount});
    connect(m_timeMajMeteo, &QTimer::timeout, this, [this] {
        m_weather->onWeatherTick();
        m_panel->showList(QStringLiteral("lstMeteo"), m_state.lstMeteo);
        m_panel->txtMeteo()->setPlainText(m_state.txtMeteo);
    });
    connect(m_timeHorloge, &QTimer::timeout, this, [this] {
        m_timeHorloge->stop();
        ensureOverlay();
        m_raiser->raise(StackedWindow::Overlay);
    });
}

ClockWeatherStrip* MainScreen::ensureOverlay()
{
    if (m_overlay)
        return m_overlay;
    m_overlay = new ClockWeatherStrip(m_services.clock, m_timings);
    m_overlay->setObjectName(QStringLiteral("ClockWeatherStrip"));
    std::array<QPixmap, 6> pictures;
    for (int i = 0; i < 6; ++i)
        pictures[size_t(i)] = stockPictogram(i);
    m_overlay->setStockPictures(pictures);
    m_raiser->setWindow(StackedWindow::Overlay, m_overlay);
    connect(m_overlay, &ClockWeatherStrip::weatherRefreshRequested, this, [this] { m_weather->refresh(); });
    m_overlay->load();
    return m_overlay;
}

void MainScreen::showBanner()
{
    const Settings& s = m_state.settings;
    m_banner->load(resolveBannerSettings(s.vitesse_affphrase, s.taille_police, s.ratio_taillebandeau));
    m_banner->setSkin(m_paths.skinFile(QStringLiteral("back.jpg")), m_paths.skinFile(QStringLiteral("logo.jpg")));
    m_banner->setTextColours(m_state.textColourFlag);
}

void MainScreen::refreshWeatherAtStartup()
{
    m_weather->refreshWhenConnected();
    m_panel->showList(QStringLiteral("lstMeteo"), m_state.lstMeteo);
    m_panel->txtMeteo()->setPlainText(m_state.txtMeteo);
}

void MainScreen::setupScheduler()
{
    m_scheduler = std::make_unique<DailyScheduler>(
        m_services.clock, [this] { ForceReboot(m_services.rebooter); }, [this] { refreshTexts(); });
    connect(m_timeMajTextes, &QTimer::timeout, m_scheduler.get(), &DailyScheduler::onTick);
}

void MainScreen::refreshTexts()
{
    const QString hotel = m_panel->field(QStringLiteral("txtNomHotel"))->text();
    const auto outcome = zepril::refreshTexts(
        m_state.phrases, m_services.probe,
        [&] {
            return fetchHotelTexts(m_servers.update, hotel, m_paths,
                                    HttpOptions::fromTimings(m_timings))
                .ok;
        },
        [this] { return loadPhraseList(m_paths.textesIni()); });
    Q_UNUSED(outcome);
    m_panel->showList(QStringLiteral("lstPhrase"), m_state.phrases.lstPhrase);
}

void MainScreen::setupFtp()
{
    m_ftp = std::make_unique<FtpSession>(m_services.inet1);
    connect(m_ftp.get(), &FtpSession::list1Changed, this,
            [this](const QStringList& entries) { m_panel->showList(QStringLiteral("List1"), entries); });
    connect(m_ftp.get(), &FtpSession::text2Changed, m_panel->text2(), &QLineEdit::setText);
    connect(m_ftp.get(), &FtpSession::statusTextChanged, this,
            [this](const QString& text) { m_panel->statusBar()->showMessage(text); });
    connect(m_panel->text1(), &QLineEdit::textChanged, m_ftp.get(), &FtpSession::setText1);
    connect(m_panel->list(QStringLiteral("List1")), &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item)
            m_ftp->activateEntry(item->text());
    });
}

void MainScreen::startFtpSession() { m_ftp->StartConnexionFTP(ftpSessionSettings(m_servers, m_timings)); }

}
