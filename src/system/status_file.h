#pragma once
// The channel's state for a technician who cannot walk to the screen: a small JSON
// file in the program tree, replaced in one step every minute, and read back by
// `zepril-client --status`.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace zepril {

struct ChannelStatus {
    QString version;
    QString state;       // "starting", "playing", "no video", "stopping"
    QString currentItem; // the playlist item on screen, "" when none
    int playlistSize = 0;
    QDateTime lastTextsRefresh; // invalid: none yet this run
    QString lastTextsOutcome;   // "refreshed", "fetch failed", "no connection"
    QDateTime lastSync;         // invalid: no synchronization this run (manual mode)
    QStringList lastSyncFailed; // paths of the downloads that failed
    QDateTime nextReboot;       // invalid: the configured time never matches
    qint64 uptimeSeconds = 0;
    QDateTime written;
};

QByteArray statusJson(const ChannelStatus& status);

// Writes beside the file and renames over it, so a reader never sees half a file.
bool writeStatusFile(const QString& path, const ChannelStatus& status);

// The file as written, indented for people; nothing when it cannot be read.
std::optional<QByteArray> readStatusFile(const QString& path);

// The next daily reboot after now for a majvid_heure setting, as the scheduler will
// make it (rebootTimeOfDay, firstMomentAt); nothing when the setting names no time.
std::optional<QDateTime> nextDailyTime(const QString& majvidHeure, const QDateTime& now);

}
