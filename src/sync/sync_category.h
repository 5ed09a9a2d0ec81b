#pragma once
// Automatic mode: each category directory follows the content server's list. Videos
// the list no longer names are deleted, listed ones the directory lacks are
// downloaded; a category whose list could not be fetched is left as it is.
#include "core/program_paths.h"
#include "core/server_config.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace zepril {

class ConnectionProbe;
class FailedDownloads;
class StartupReporter;
class VideoVersions;
struct RemoteHead;

struct SyncContext {
    ProgramPaths paths;
    QString videoDir;      // "videos-auto" or "videos-man": the tree the videos go to
    ServerAddress content; // the content server the videos come from
    ConnectionProbe& probe;
    StartupReporter& reporter;
    FailedDownloads& failedDownloads; // the partial files of videos no longer listed leave it
    // Fetches one video (downloadVideo in production); true on success.
    std::function<bool(const QString& url, const QString& destination, const QString& name)> download;
    // What the server says of a listed video that is on disk already (fetchHead in
    // production), compared with versions; none: local videos are never compared.
    std::function<RemoteHead(const QString& url)> remoteHead = {};
    VideoVersions* versions = nullptr;
};

// What one category's synchronization did.
struct CategorySync {
    bool listed = false;    // false: nothing was looked at (no connection, no list)
    QStringList deleted;    // local names the server no longer lists, deleted
    QStringList downloaded; // server names fetched whole
    QStringList replaced;   // of those, videos on disk that the server had changed
    QStringList failed;     // server names whose download failed
    QStringList rejected;   // server names that are not plain file names, ignored
    QStringList listing;    // the directory's files once the deletions are done
};

// http://host/videos/<category>/<name>, the name percent-encoded.
QString videoUrl(const ServerAddress& content, const QString& category, const QString& name);

// Whether the server's copy of a video differs from the one at path: by its size, or by
// an ETag or Last-Modified that differs from the one kept at download. A server that
// sends neither validator says nothing (false).
bool changedOnServer(const RemoteHead& head, const QString& path, const VideoVersions* versions);

// listFetched: whether the server list serverList was really fetched this start-up.
CategorySync syncCategory(SyncContext& ctx, const QString& category, const QStringList& serverList, bool listFetched);

}
