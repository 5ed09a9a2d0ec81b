#include "app/startup_sequence.h"

#include "core/categories.h"
#include "core/connection_probe.h"
#include "core/file_helpers.h"
#include "core/list_file.h"
#include "core/logging.h"
#include "core/startup_reporter.h"
#include "net/http_fetch.h"
#include "net/http_head.h"
#include "net/update_server.h"
#include "presentation/media_player.h"
#include "presentation/playlist_handover.h"
#include "sync/download_video.h"
#include "sync/sync_category.h"
#include "sync/video_versions.h"

#include <QDir>
#include <QFileInfo>

namespace zepril {

StartupSequence::StartupSequence(ProgramPaths paths, ServerConfig servers, Timings timings, StartupSeams seams,
                                 QObject* parent)
    : QObject(parent),
      m_paths(std::move(paths)),
      m_servers(std::move(servers)),
      m_timings(timings),
      m_seams(std::move(seams)),
      m_journal(m_paths)
{
    if (!m_seams.yield)
        m_seams.yield = [] {};
}

void StartupSequence::setStatus(const QString& text) { m_seams.reporter.setStatus(text); }

void StartupSequence::run()
{
    readOptions();
    checkConnection();
    loadTexts();
    loadVideoLists();
    clearJournal();
    synchronizeOrMarkManual();
    loadCategoryLists();
    composeAndHandOver();
}

void StartupSequence::runFromDisk()
{
    readOptions();
    m_phrases = loadPhraseList(m_paths.textesIni());
    // The lists the last start-up fetched, for the panel; nothing here trusts them.
    for (size_t i = 0; i < kCategories.size(); ++i)
        if (const QString list = m_paths.categoryListFile(QLatin1String(kCategories[i].name));
            ordinaryFileMatches(list))
            readListFile(list, m_serverLists[i]);
    clearJournal();
    m_videoFolder = isManualMode(m_settings.mode_manuel) ? QStringLiteral("videos-man") : QStringLiteral("videos-auto");
    qCInfo(lcStartup).noquote() << "quick start:" << m_phrases.size() << "phrase(s) and the videos of"
                                << m_paths.videoRoot(m_videoFolder) << "as they are on disk";
    loadCategoryLists();
    composeAndHandOver();
}

void StartupSequence::readOptions()
{
    setStatus(QStringLiteral("Chargement des options... "));
    m_settings = readSettings(existingPathOrEmpty(m_paths.configIni()));
    emit settingsRead(m_settings);
}

void StartupSequence::checkConnection()
{
    if (!hasInternetConnection(m_seams.probe, m_connectionKind)) {
        qCWarning(lcStartup) << "no network connection at start-up";
        m_seams.reporter.showConnectionWarning();
    }
}

void StartupSequence::loadTexts()
{
    const QString hotel = m_settings.nom_hotel;
    setStatus(QStringLiteral("Téléchargement des phrases de l'hotel  [ ") + hotel.toUpper() + QStringLiteral(" ]"));
    m_seams.yield();
    // The texts file is replaced only by a successful fetch, so an outage keeps the
    // hotel's phrases rather than falling back to the welcome line for the whole day.
    fetchHotelTexts(m_servers.update, hotel, m_paths, HttpOptions::fromTimings(m_timings));
    m_seams.yield();
    m_phrases = loadPhraseList(m_paths.textesIni());
    qCInfo(lcStartup) << m_phrases.size() << "phrase(s) loaded";
    m_seams.reporter.showStage(7);
}

void StartupSequence::loadVideoLists()
{
    setStatus(QStringLiteral("Téléchargement de la liste des videos de l'hotel  [ ") + m_settings.nom_hotel.toUpper()
              + QStringLiteral(" ]"));
    for (size_t i = 0; i < kCategories.size(); ++i) {
        m_serverListFetched[i] = fetchCategoryList(m_servers.update, QLatin1String(kCategories[i].name),
                                                   m_serverLists[i], m_paths, HttpOptions::fromTimings(m_timings));
        m_seams.yield();
    }
}

void StartupSequence::clearJournal()
{
    m_journal.clearAtStartup();
    m_seams.yield();
}

void StartupSequence::synchronizeOrMarkManual()
{
    m_videoFolder = QStringLiteral("videos-man");
    if (isManualMode(m_settings.mode_manuel)) {
        qCInfo(lcStartup) << "manual mode: playing" << m_paths.videoRoot(m_videoFolder) << "as it is";
        for (const Category& c : kCategories)
            m_seams.reporter.showStage(c.stage);
        return;
    }
    m_videoFolder = QStringLiteral("videos-auto");
    qCInfo(lcStartup) << "automatic mode: synchronizing" << m_paths.videoRoot(m_videoFolder);
    VideoVersions versions(m_paths.versionsIni());
    DownloadContext download{m_seams.downloads, m_seams.reporter, m_journal, m_timings.progressRefreshMs, &versions};
    SyncContext sync{m_paths,
                     m_videoFolder,
                     m_servers.content,
                     m_seams.probe,
                     m_seams.reporter,
                     m_journal,
                     [&download](const QString& url, const QString& dest, const QString& name) {
                         return downloadVideo(download, url, dest, name);
                     },
                     [this](const QString& url) { return fetchHead(url, HttpOptions::fromTimings(m_timings)); },
                     &versions};
    for (size_t i = 0; i < kCategories.size(); ++i) {
        const CategorySync done =
            syncCategory(sync, QLatin1String(kCategories[i].name), m_serverLists[i], m_serverListFetched[i]);
        // The panel shows the last category that was really looked at.
        if (done.listed) {
            m_lastListing = done.listing;
            m_removedBySync = done.deleted;
        }
        m_seams.reporter.showStage(kCategories[i].stage);
        m_seams.yield();
    }
}

void StartupSequence::loadCategoryLists()
{
    setStatus(QStringLiteral("Chargement des listes des rubriques..."));
    for (size_t i = 0; i < kCategories.size(); ++i)
        m_playable[i] = listOrdinaryFiles(m_paths.categoryDir(m_videoFolder, QLatin1String(kCategories[i].name)));
    m_journal.removeFromPlayable(m_playable);
}

void StartupSequence::composeAndHandOver()
{
    const QString videoRoot = m_paths.videoRoot(m_videoFolder);
    m_indexSlots = resolveIndexSlots(videoRoot, ordinaryFileMatches);
    m_seams.reporter.showStage(6);

    setStatus(QStringLiteral("Constitution de la Playlist Vidéo initiale... "));
    m_playlistInsertIndex = 0;
    m_playlist = composePlaylist(m_indexSlots, m_playable, videoRoot, ordinaryFileMatches, m_categoryWork,
                                 m_seams.random, [this](const QString& text) { setStatus(text); });
    const int handed = handOverPlaylist(
        m_playlist, [this](const QString& item) { return m_paths.itemPath(m_videoFolder, item); }, ordinaryFileMatches,
        m_seams.player, m_playlistInsertIndex);
    qCInfo(lcStartup) << "playlist of" << m_playlist.size() << "item(s)," << handed << "handed to the player";
    m_seams.reporter.showStage(8);
}

bool StartupSequence::composeAgain()
{
    loadCategoryLists();
    composeAndHandOver();
    return !m_playlist.isEmpty();
}

void StartupSequence::playerCouldNotOpen(const QString& path)
{
    if (manualMode()) {
        qCWarning(lcPlayer).noquote() << "cannot play" << path << "- kept: manual mode never deletes a video";
        return;
    }
    // Only the six category folders are filled from the server's lists; a broken file
    // anywhere else would be deleted and never come back.
    const QString folder = QFileInfo(path).absolutePath();
    bool listed = false;
    for (const Category& c : kCategories)
        listed = listed
            || QDir::cleanPath(m_paths.categoryDir(m_videoFolder, QLatin1String(c.name))) == QDir::cleanPath(folder);
    if (!listed || m_journal.paths().contains(path))
        return;
    qCWarning(lcPlayer).noquote() << "cannot play" << path << "- journaled: the next start-up checks it";
    m_journal.recordPlaybackFailure(path);
}

}
