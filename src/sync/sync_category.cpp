#include "sync/sync_category.h"

#include "core/connection_probe.h"
#include "core/event_wait.h"
#include "core/file_helpers.h"
#include "core/logging.h"
#include "core/startup_reporter.h"
#include "net/http_head.h"
#include "sync/failed_downloads.h"
#include "sync/sync_plan.h"
#include "sync/video_versions.h"

#include <QFileInfo>
#include <QUrl>

namespace zepril {

QString videoUrl(const ServerAddress& content, const QString& category, const QString& name)
{
    return content.baseUrl() + QStringLiteral("/videos/") + QString::fromLatin1(QUrl::toPercentEncoding(category))
        + u'/' + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

bool changedOnServer(const RemoteHead& head, const QString& path, const VideoVersions* versions)
{
    if (!head.ok || (head.etag.isEmpty() && head.lastModified.isEmpty()))
        return false;
    if (head.length >= 0 && head.length != QFileInfo(path).size())
        return true;
    const std::optional<RemoteVersion> kept = versions ? versions->of(path) : std::nullopt;
    if (!kept)
        return false;
    const auto differs = [](const QString& before, const QString& now) {
        return !before.isEmpty() && !now.isEmpty() && before != now;
    };
    return differs(kept->etag, head.etag) || differs(kept->lastModified, head.lastModified);
}

namespace {

// The listed videos already on disk whose server copy changed, in server order. A video
// downloaded before its validators were kept takes the server's as they are now, when
// its size agrees, so that the next change is seen.
QStringList changedVideos(SyncContext& ctx, const QString& category, const QString& directory,
                          const QStringList& serverList, const QStringList& listing)
{
    QStringList changed;
    if (!ctx.remoteHead)
        return changed;
    for (const QString& name : serverList) {
        if (!isSafeVideoName(name) || !listing.contains(name) || changed.contains(name))
            continue;
        const QString path = joinPath(directory, name);
        const QString url = videoUrl(ctx.content, category, name);
        const RemoteHead head = ctx.remoteHead(url);
        // A server that does not answer at all would make every video wait its timeout.
        if (head.status == 0 && !head.ok) {
            qCWarning(lcSync).noquote() << category << ": the content server does not answer (" << head.error
                                        << "), local videos not compared";
            break;
        }
        if (changedOnServer(head, path, ctx.versions)) {
            qCInfo(lcSync).noquote() << category << ":" << name << "changed on the server (" << head.length
                                     << "bytes, ETag" << head.etag << ", Last-Modified" << head.lastModified
                                     << "): fetched again";
            changed.append(name);
        } else if (head.ok && ctx.versions && !ctx.versions->of(path)
                   && (!head.etag.isEmpty() || !head.lastModified.isEmpty())) {
            ctx.versions->record(path, {url, QFileInfo(path).size(), head.etag, head.lastModified});
        }
        letEventsRun();
    }
    return changed;
}

}

CategorySync syncCategory(SyncContext& ctx, const QString& category, const QStringList& serverList, bool listFetched)
{
    CategorySync done;
    ctx.reporter.setStatus(QStringLiteral("Synchronisation catégorie ") + category);
    QString kind;
    if (!hasInternetConnection(ctx.probe, kind)) {
        qCInfo(lcSync) << category << "not synchronized: no connection";
        return done;
    }
    // An empty list from a failed fetch must not be taken for an empty category: that
    // would delete every video because the server was down.
    if (!listFetched) {
        qCWarning(lcSync) << category << "not synchronized: its list could not be fetched";
        return done;
    }

    const QString directory = ctx.paths.categoryDir(ctx.videoDir, category);
    const SyncPlan plan = planSync(listOrdinaryFiles(directory), serverList);
    done.listed = true;
    done.rejected = plan.rejected;
    for (const QString& name : plan.rejected)
        qCWarning(lcSync) << category << "ignores the server name" << name << ": not a plain file name";

    for (const QString& name : plan.toDelete) {
        const QString path = joinPath(directory, name);
        if (!ordinaryFileMatches(existingPathOrEmpty(path)))
            continue;
        qCInfo(lcSync) << category << "deletes" << name << ": no longer listed";
        if (!deleteFile(path)) {
            qCWarning(lcSync) << category << "synchronization abandoned: cannot delete" << path;
            done.listing = listOrdinaryFiles(directory);
            return done;
        }
        done.deleted.append(name);
        if (ctx.versions)
            ctx.versions->forget(path);
    }

    ctx.failedDownloads.dropPartialsNotListed(directory, serverList);

    done.listing = listOrdinaryFiles(directory);
    const QStringList changed = changedVideos(ctx, category, directory, serverList, done.listing);
    qCInfo(lcSync) << category << ":" << done.deleted.size() << "deleted," << plan.toDownload.size() << "to download,"
                   << changed.size() << "changed on the server";
    // Missing videos first: a category without them lacks more than one with an old copy.
    for (const QString& name : plan.toDownload + changed) {
        const QString destination = joinPath(directory, name);
        if (ctx.download(videoUrl(ctx.content, category, name), destination, name)) {
            done.downloaded.append(name);
            if (changed.contains(name))
                done.replaced.append(name);
        } else {
            done.failed.append(name);
        }
        letEventsRun();
    }
    return done;
}

}
