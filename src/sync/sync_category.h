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

struct SyncContext {
    ProgramPaths paths;
    QString activeVideoDir;
    ServerAddress content;       // the content server the videos come from
    ConnectionProbe& probe;
    StartupReporter& reporter;
    FailedDownloads& failedDownloads;   // every download that returns false is recorded here
    // Fetches one video (downloadVideo in production); true on success.
    std::function<bool(const QString& url, const QString& destination, const QString& name)> download;
};

// What one category's synchronization did.
struct CategorySync {
    bool listed = false;    // false: nothing was looked at (no connection, no list)
    QStringList deleted;    // local names the server no longer lists, deleted
    QStringList downloaded; // server names fetched whole
    QStringList failed;     // server names whose download failed
    QStringList rejected;   // server names that are not plain file names, ignored
    QStringList listing;    // the directory's files once the deletions are done
};

// http://host/videos/<category>/<name>, the name percent-encoded.
QString videoUrl(const ServerAddress& content, const QString& category, const QString& name);

// listFetched: whether the server list serverList was really fetched this start-up.
CategorySync syncCategory(SyncContext& ctx, const QString& category, const QStringList& serverList, bool listFetched);

}
