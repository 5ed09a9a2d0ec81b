// The main screen's one-pass start-up: options, texts, lists, journal, synchronization,
// playlist, banner, weather, timers. Every stage tolerates failure and reports itself
// on the start-up window.
#include "app/main_screen.h"

#include "core/categories.h"
#include "core/connection_probe.h"
#include "core/file_helpers.h"
#include "core/logging.h"
#include "core/startup_reporter.h"
#include "app/operator_panel.h"
#include "net/http_fetch.h"
#include "net/update_server.h"
#include "presentation/media_player.h"
#include "presentation/playlist_handover.h"
#include "sync/download_video.h"
#include "sync/sync_category.h"
#include "presentation/banner_cycle.h"
#include "system/daily_scheduler.h"
#include "net/ftp_session.h"

#include <QElapsedTimer>
#include <QTimer>

namespace zepril {

static HttpOptions httpOptions(const Timings& t)
{
    return HttpOptions::fromTimings(t);
}

void MainScreen::setStatus(const QString& text) { m_services.reporter.setStatus(text); }

void MainScreen::runStartup()
{
    if (m_loaded || m_loading)
        return;
    m_loading = true;
    QElapsedTimer elapsed;
    elapsed.start();
    qCInfo(lcStartup) << "start-up begins; program directory" << m_paths.root();

    if (m_services.showStartupWindow)
        m_services.showStartupWindow();
    if (m_videoWidget)
        m_videoWidget->move(0, 0);

    if (m_ftp)
        startFtpSession();

    setStatus(QStringLiteral("Chargement des options... "));
    m_state.settings = readSettings(GetShortPath(m_paths.configIni()));
    m_panel->showSettings(m_state.settings);
    if (const auto ms = cycleIntervalMs(m_state.settings.cycle_phrase)) {
        m_cycle->setCycleIntervalMs(*ms);
    } else {
        qCWarning(lcConfig) << "cycle_phrase" << m_state.settings.cycle_phrase << "is not a number: the banner pause stays"
                            << m_cycle->timeCycleBandeau().interval() << "ms";
    }
    m_state.weatherTickCount = 0;
    m_state.panelClickCount = 0;
    // The scheduler keeps rebootHour, rebootMinute, refreshEveryTicks and its tick count.
    m_scheduler->configure(m_state.settings.majvid_heure, m_state.settings.majphr_heure);
    m_state.textColourFlag = m_state.settings.couleur_texte;

    if (!IsInternetConnected(m_services.probe, m_state.connectionKind)) {
        qCWarning(lcStartup) << "no network connection at start-up";
        m_services.reporter.showConnectionWarning();
    }

    loadTexts();
    loadVideoLists();
    clearJournal();
    synchronizeOrMarkManual();
    loadCategoryLists();
    composeAndHandOver();
    showBanner();
    closeStartupWindow();
    refreshWeatherAtStartup();
    armTimers();
    mirrorLists();

    m_loading = false;
    m_loaded = true;
    qCInfo(lcStartup) << "start-up done in" << elapsed.elapsed() << "ms";
}

void MainScreen::loadTexts()
{
    const QString hotel = m_state.settings.nom_hotel;
    setStatus(QStringLiteral("Téléchargement des phrases de l'hotel  [ ") + hotel.toUpper() + QStringLiteral(" ]"));
    yield();
    // The texts file is replaced only by a successful fetch, so an outage keeps the
    // hotel's phrases rather than falling back to the welcome line for the whole day.
    fetchHotelTexts(m_servers.update, hotel, m_paths, httpOptions(m_timings));
    yield();
    m_state.phrases.lstPhrase = loadPhraseList(m_paths.textesIni());
    m_state.phrases.phraseCount = int(m_state.phrases.lstPhrase.size());
    m_state.phrases.phraseIndex = 0;
    qCInfo(lcStartup) << m_state.phrases.phraseCount << "phrase(s) loaded";
    m_services.reporter.showStage(7);
}

void MainScreen::loadVideoLists()
{
    setStatus(QStringLiteral("Téléchargement de la liste des videos de l'hotel  [ ") + m_state.settings.nom_hotel.toUpper()
              + QStringLiteral(" ]"));
    for (size_t i = 0; i < kCategories.size(); ++i) {
        m_state.serverListFetched[i] = fetchCategoryList(m_servers.update, QLatin1String(kCategories[i].name),
                                                         m_state.serverLists[i], m_paths, httpOptions(m_timings));
        yield();
    }
}

void MainScreen::clearJournal()
{
    m_failedDownloads.clearAtStartup();
    m_state.failedDownloads.clear();
    yield();
}

void MainScreen::synchronizeOrMarkManual()
{
    m_state.activeVideoDir = QStringLiteral("videos-man");
    if (isManualMode(m_state.settings.mode_manuel)) {
        qCInfo(lcStartup) << "manual mode: playing" << m_paths.videoRoot(m_state.activeVideoDir) << "as it is";
        for (const Category& c : kCategories)
            m_services.reporter.showStage(c.stage);
        return;
    }
    m_state.activeVideoDir = QStringLiteral("videos-auto");
    qCInfo(lcStartup) << "automatic mode: synchronizing" << m_paths.videoRoot(m_state.activeVideoDir);
    DownloadContext download{m_services.inet2, m_services.reporter, m_failedDownloads, m_timings.progressRefreshMs};
    SyncContext sync{m_paths,
                     m_state.activeVideoDir,
                     m_servers.content,
                     m_services.probe,
                     m_services.reporter,
                     m_failedDownloads,
                     [&download](const QString& url, const QString& dest, const QString& name) {
                         return downloadVideo(download, url, dest, name);
                     }};
    for (size_t i = 0; i < kCategories.size(); ++i) {
        const CategorySync done = syncCategory(sync, QLatin1String(kCategories[i].name), m_state.serverLists[i],
                                               m_state.serverListFetched[i]);
        if (done.listed) {
            m_state.lstCat = done.listing;
            m_state.lstSyncSupp = done.deleted;
        }
        m_services.reporter.showStage(kCategories[i].stage);
        yield();
    }
}

void MainScreen::loadCategoryLists()
{
    setStatus(QStringLiteral("Chargement des listes des rubriques..."));
    for (size_t i = 0; i < kCategories.size(); ++i)
        m_state.playable[i] = listOrdinaryFiles(m_paths.categoryDir(m_state.activeVideoDir, QLatin1String(kCategories[i].name)));
    m_failedDownloads.removeFromPlayable(m_state.playable);
    m_state.failedDownloads = m_failedDownloads.paths();
}

void MainScreen::composeAndHandOver()
{
    const QString videoRoot = m_paths.videoRoot(m_state.activeVideoDir);
    m_state.indexSlots = resolveIndexSlots(videoRoot, FileExists);
    m_services.reporter.showStage(6);

    setStatus(QStringLiteral("Constitution de la Playlist Vidéo initiale... "));
    m_state.playlistInsertIndex = 0;
    m_state.lstPlayList = composePlaylist(m_state.indexSlots, m_state.playable, videoRoot, FileExists, m_state.lstTemp,
                                          m_services.random, [this](const QString& text) { setStatus(text); });
    const int handed = handOverPlaylist(
        m_state.lstPlayList, [this](const QString& item) { return m_paths.itemPath(m_state.activeVideoDir, item); },
        FileExists, *m_player, m_state.playlistInsertIndex);
    qCInfo(lcStartup) << "playlist of" << m_state.lstPlayList.size() << "item(s)," << handed << "handed to the player";
    m_services.reporter.showStage(8);
}

void MainScreen::closeStartupWindow()
{
    if (m_services.reporter.connectionWarningShown() && m_services.blockingWait) {
        // The warning must stay readable; the legacy player blocked here as well.
        m_services.blockingWait(m_timings.noConnectionWaitMs);
    }
    if (m_services.unloadStartupWindow)
        m_services.unloadStartupWindow();
}

void MainScreen::armTimers()
{
    m_timeHorloge->start();
    m_cycle->start();
    m_timeMajTextes->start();
    m_timeMajMeteo->start();
    qCInfo(lcStartup) << "timers armed: banner pause" << m_cycle->timeCycleBandeau().interval() << "ms";
}

}
