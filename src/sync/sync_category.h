#pragma once
// Automatic mode: each category directory follows the content server's list. Videos
// the list no longer names are deleted, listed ones the directory lacks are
// downloaded; a category whose list could not be fetched is left as it is.
#include "core/program_paths.h"
#include "core/server_config.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace zepril {

class ConnectionProbe;
class StartupReporter;

struct SyncContext {
    ProgramPaths paths;
    QString activeVideoDir;
    ServerAddress content;       // the content server the videos come from
    ConnectionProbe& probe;
    StartupReporter& reporter;
    QStringList& lstCat;         // local listing of the category being synchronized
    QStringList& lstSyncSupp;    // local names the server no longer lists
    // Fetches one video (downloadVideo in production); true on success.
    std::function<bool(const QString& url, const QString& destination, const QString& name)> download;
};

// http://host/videos/<category>/<name>, the name percent-encoded.
QString videoUrl(const ServerAddress& content, const QString& category, const QString& name);

// listFetched: whether the server list nomCat1 was really fetched this start-up.
void syncCategory(SyncContext& ctx, const QString& nomCat, const QStringList& nomCat1, bool listFetched);

// The six categories in their order, each followed by its stage mark and a yield.
void synchronizeCategories(SyncContext& ctx, const std::array<QStringList, 6>& serverLists,
                           const std::array<bool, 6>& listFetched);

// Takes the names of this run's failed downloads out of the playable-video lists (in
// the order of the categories), so that no partial file reaches the playlist.
void removeFailedFromPlayable(const QStringList& failedDownloads, std::array<QStringList, 6>& playable);

}
