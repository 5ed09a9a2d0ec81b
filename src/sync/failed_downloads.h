#pragma once
// The journal cfg/error.ini of downloads that did not complete and of videos to check
// (UTF-8, CR LF). Its first lines are paths, one per line, as they always were; what is
// known of each entry follows in one section per path ("[path]", then key=value lines),
// which a reader of the old form drops as lines that are no path.
//
// - A path without a section: a file to delete at the next start-up.
// - kind=partial: the hidden partial file of a download (see partialPathFor) with what
//   the server said of the whole file (url, size, etag, last_modified). It is written
//   before the first byte, so a cut, a kill or a power cut leaves it for the next
//   attempt to ask only for the rest. It never reaches a playlist.
// - kind=check: a video the player could not play. The next start-up deletes it only
//   when its first bytes fail the media check; otherwise it is kept.
//
// Each change is flushed to the disk off the UI thread, which goes on serving its events.
#include "core/program_paths.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <mutex>
#include <optional>

namespace zepril {

// True when path names a place the downloads could have written: somewhere below
// <root>/videos-man or <root>/videos-auto, links resolved.
bool isInVideoStore(const ProgramPaths& paths, const QString& path);

// Where the download of destination collects its bytes: a hidden name beside it, which
// no listing of the category and no playlist ever takes.
QString partialPathFor(const QString& destination);

// What the server said of the whole file when a download began.
struct RemoteVersion {
    QString url;
    qint64 size = -1;     // the whole file's length; -1: not announced
    QString etag;         // as sent, quotes included
    QString lastModified; // as sent
    // The validator an If-Range may carry: a strong ETag, else the date; empty: none.
    QString ifRangeValidator() const;
};

class FailedDownloads final {
public:
    explicit FailedDownloads(ProgramPaths paths);

    // Start-up: deletes each journaled file to delete and each video to check that fails
    // the media check (only inside videos-man or videos-auto, links resolved; anything
    // else is logged and dropped); keeps the partial files that can be resumed.
    void clearAtStartup();

    // Before the first byte of a download reaches partialPath; false when the journal
    // cannot be written.
    bool begin(const QString& partialPath, const RemoteVersion& version);
    // The partial file of an earlier attempt, when one is journaled.
    std::optional<RemoteVersion> partial(const QString& partialPath) const;
    // The partial file was deleted: nothing is left to resume.
    void forget(const QString& partialPath);
    // Once the whole file is on disk under destination: its entries leave the journal.
    bool complete(const QString& partialPath, const QString& destination);
    // Deletes the partial files in directory whose video the server no longer lists.
    void dropPartialsNotListed(const QString& directory, const QStringList& listed);

    // A download that did not complete this run (for the logs and the tests).
    void noteFailedDownload(const QString& destination);
    QStringList failedDownloads() const { return m_failedDownloads; }

    // A listed video the player cannot open: journaled for a check at the next start-up
    // and kept out of this run's playlists. Recording the same path twice changes nothing.
    void recordPlaybackFailure(const QString& path);
    // This run's videos that could not be played, in order.
    QStringList paths() const { return m_unplayable; }
    // Takes this run's unplayable names out of the six playable lists (category order).
    void removeFromPlayable(std::array<QStringList, 6>& playable) const;

private:
    struct Entry {
        QString kind; // "", "partial" or "check"
        RemoteVersion version;
    };
    bool save() const;
    QStringList lines() const;
    void load(QStringList& order, QMap<QString, Entry>& entries) const;

    // What the saving threads share: they write one at a time, each the newest list.
    struct Disk {
        std::mutex writing;
        std::mutex mutex;
        QStringList newest;
    };

    ProgramPaths m_paths;
    std::shared_ptr<Disk> m_disk = std::make_shared<Disk>();
    QStringList m_order;            // the journal's paths, in order
    QMap<QString, Entry> m_entries; // what is known of each
    QStringList m_failedDownloads;
    QStringList m_unplayable;
};

}
