#pragma once
// The journal cfg/error.ini of downloads that did not complete (one path per line, UTF-8,
// CR LF): a path is written before the first byte of a download and taken out once the
// whole file is flushed, so a crash or power cut leaves it for the next start-up. Each
// change is flushed to the disk off the UI thread, which goes on serving its events.
#include "core/program_paths.h"

#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <mutex>

namespace zepril {

// True when path names a place the downloads could have written: somewhere below
// <root>/videos-man or <root>/videos-auto, links resolved.
bool isInVideoStore(const ProgramPaths& paths, const QString& path);

class FailedDownloads final {
public:
    explicit FailedDownloads(ProgramPaths paths);

    // Start-up: deletes each journaled file that lies inside videos-man or videos-auto
    // (links resolved; anything else is logged and dropped), then empties the journal.
    void clearAtStartup();
    // Before the first byte of a download is written; false when the journal cannot be written.
    bool begin(const QString& path);
    // Once the whole file is on disk and flushed.
    bool complete(const QString& path);
    // A file that must not be kept (a failed download whose partial file is deleted, or a
    // listed video the player cannot open): stays in / is added to the journal and to this
    // run's list. Recording the same path twice changes nothing.
    void recordFailure(const QString& path);
    // This run's failed paths, in order.
    QStringList paths() const { return m_failed; }
    // Takes this run's failed names out of the six playable lists (category order).
    void removeFromPlayable(std::array<QStringList, 6>& playable) const;

private:
    bool save() const;

    // What the saving threads share: they write one at a time, each the newest list.
    struct Disk {
        std::mutex writing;
        std::mutex mutex;
        QStringList newest;
    };

    ProgramPaths m_paths;
    std::shared_ptr<Disk> m_disk = std::make_shared<Disk>();
    QStringList m_journal; // what cfg/error.ini holds: this run's failures and the download under way
    QStringList m_failed;
};

}
