#pragma once
// The player's state at one moment, as the group's monitoring sees it: a plain value
// that the composition root fills and the metrics text is made from.
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace zepril {

struct CategoryUsage {
    QString category; // a category's folder name, or "index"
    qint64 bytes = 0; // of the ordinary files in its folder
    int files = 0;
    std::optional<bool> listFetched; // automatic mode: whether its server list arrived this run
};

struct PictureReport {
    QDateTime grabbed;   // the last grab of the screen
    bool black = false;  // almost all black while a video is said to play
    bool frozen = false; // the same picture for several grabs while the position moves
};

struct PlayerSnapshot {
    QDateTime now;
    QString version;
    QString state;          // "starting", "playing", "no video", "stopping"
    QString currentItem;    // "" when none
    qint64 itemsPlayed = 0; // items that loaded and were shown this run
    int playlistSize = 0;

    QDateTime textsLastSuccess; // when the texts file was last replaced by a fetch
    QDateTime textsLastRefresh; // the last refresh this run, whatever its outcome
    QString textsOutcome;       // "refreshed", "fetch failed", "no connection"; "" before the first

    QDateTime syncLast;        // the synchronization of this run; invalid in manual mode
    QDateTime syncLastSuccess; // the last one that fetched every list and every video, any run
    QString syncOutcome;       // "synced", "incomplete", "manual"; "" before the start-up ends
    int failedDownloads = 0;
    QList<CategoryUsage> categories;

    qint64 filesystemFreeBytes = -1; // of the program tree's file system; -1 unknown
    qint64 filesystemSizeBytes = -1;
    qint64 bannerPasses = 0;
    qint64 uptimeSeconds = 0;
    int restartsThisBoot = 0;
    std::optional<PictureReport> picture; // nothing before the first grab, or when grabs are off
};

// The sound state labels, in the order the metrics list them.
inline const QStringList& playerStates()
{
    static const QStringList states{QStringLiteral("starting"), QStringLiteral("playing"), QStringLiteral("no video"),
                                    QStringLiteral("stopping")};
    return states;
}

}
