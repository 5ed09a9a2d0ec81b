#pragma once
// The one-pass start-up, without a widget: options, connection, texts, server lists,
// journal, synchronization (or manual mode), playable lists, playlist handed to the
// player. Every stage tolerates failure and reports itself through the reporter; the
// values it computes stay here and are handed out read-only.
#include "core/playlist.h"
#include "core/program_paths.h"
#include "core/server_config.h"
#include "core/settings.h"
#include "core/timings.h"
#include "sync/failed_downloads.h"
#include "system/texts_refresh.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <functional>

namespace zepril {

class ConnectionProbe;
class MediaPlayer;
class StartupReporter;
class TransferControl;

struct StartupSeams {
    ConnectionProbe& probe;
    StartupReporter& reporter;
    TransferControl& downloads; // the HTTP engine the videos come through
    MediaPlayer& player;
    RandomSource& random;
    // Lets the windows repaint between stages; the event loop in a real run.
    std::function<void()> yield;
};

class StartupSequence final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartupSequence)
public:
    StartupSequence(ProgramPaths paths, ServerConfig servers, Timings timings, StartupSeams seams,
                    QObject* parent = nullptr);

    // Runs every stage once, in order; the signals below come from inside it.
    void run();
    // The quick start of a player restarted in a boot whose channel already played: the
    // options, texts and video folders as they are on disk, nothing fetched.
    void runFromDisk();

    // Looks at the video folders again and hands a new playlist over; for a run that
    // found nothing to play. True when the playlist is no longer empty.
    bool composeAgain();

    // The player could not open this file. In automatic mode a listed video is
    // journaled so that the next start-up deletes it and downloads it again; manual
    // mode never deletes anything, and the index videos are not downloaded.
    void playerCouldNotOpen(const QString& path);

    const Settings& settings() const { return m_settings; }
    bool manualMode() const { return m_videoFolder == QLatin1String("videos-man"); }
    const QString& videoFolder() const { return m_videoFolder; }
    const QString& connectionKind() const { return m_connectionKind; }
    const QStringList& phrases() const { return m_phrases; }
    const std::array<QStringList, 6>& serverLists() const { return m_serverLists; }
    const std::array<bool, 6>& serverListFetched() const { return m_serverListFetched; }
    const std::array<QStringList, 6>& playable() const { return m_playable; }
    QStringList failedDownloads() const { return m_journal.failedDownloads() + m_journal.paths(); }
    const QStringList& lastCategoryListing() const { return m_lastListing; }
    const QStringList& removedBySync() const { return m_removedBySync; }
    const QStringList& categoryWork() const { return m_categoryWork; }
    const QStringList& playlist() const { return m_playlist; }
    const IndexSlots& indexSlots() const { return m_indexSlots; }

signals:
    // Right after the options are read, before anything is fetched: the windows and
    // timers take their settings here.
    void settingsRead(const Settings& settings);

private:
    void readOptions();
    void checkConnection();
    void loadTexts();
    void loadVideoLists();
    void clearJournal();
    void synchronizeOrMarkManual();
    void loadCategoryLists();
    void composeAndHandOver();
    void setStatus(const QString& text);

    ProgramPaths m_paths;
    ServerConfig m_servers;
    Timings m_timings;
    StartupSeams m_seams;

    Settings m_settings;
    QString m_videoFolder = QStringLiteral("videos-man");
    QString m_connectionKind;
    QStringList m_phrases;
    std::array<QStringList, 6> m_serverLists;
    std::array<bool, 6> m_serverListFetched{};
    std::array<QStringList, 6> m_playable;
    FailedDownloads m_journal;
    QStringList m_lastListing, m_removedBySync, m_categoryWork;
    QStringList m_playlist;
    IndexSlots m_indexSlots;
    int m_playlistInsertIndex = 0;
};

}
