#include "sync/sync_category.h"

#include "core/connection_probe.h"
#include "core/file_helpers.h"
#include "core/logging.h"
#include "core/startup_reporter.h"
#include "sync/failed_downloads.h"
#include "sync/sync_plan.h"

#include <QCoreApplication>
#include <QUrl>

namespace zepril {

QString videoUrl(const ServerAddress& content, const QString& category, const QString& name)
{
    return content.baseUrl() + QStringLiteral("/videos/") + QString::fromLatin1(QUrl::toPercentEncoding(category))
        + u'/' + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

CategorySync syncCategory(SyncContext& ctx, const QString& category, const QStringList& serverList, bool listFetched)
{
    CategorySync done;
    ctx.reporter.setStatus(QStringLiteral("Synchronisation catégorie ") + category);
    QString kind;
    if (!IsInternetConnected(ctx.probe, kind)) {
        qCInfo(lcSync) << category << "not synchronized: no connection";
        return done;
    }
    // An empty list from a failed fetch must not be taken for an empty category: that
    // would delete every video because the server was down.
    if (!listFetched) {
        qCWarning(lcSync) << category << "not synchronized: its list could not be fetched";
        return done;
    }

    const QString directory = ctx.paths.categoryDir(ctx.activeVideoDir, category);
    const SyncPlan plan = planSync(listOrdinaryFiles(directory), serverList);
    done.listed = true;
    done.rejected = plan.rejected;
    for (const QString& name : plan.rejected)
        qCWarning(lcSync) << category << "ignores the server name" << name << ": not a plain file name";

    for (const QString& name : plan.toDelete) {
        const QString path = joinPath(directory, name);
        if (!FileExists(GetShortPath(path)))
            continue;
        qCInfo(lcSync) << category << "deletes" << name << ": no longer listed";
        if (!deleteFile(path)) {
            qCWarning(lcSync) << category << "synchronization abandoned: cannot delete" << path;
            done.listing = listOrdinaryFiles(directory);
            return done;
        }
        done.deleted.append(name);
    }

    done.listing = listOrdinaryFiles(directory);
    qCInfo(lcSync) << category << ":" << done.deleted.size() << "deleted," << plan.toDownload.size() << "to download";
    for (const QString& name : plan.toDownload) {
        const QString destination = joinPath(directory, name);
        if (ctx.download(videoUrl(ctx.content, category, name), destination, name)) {
            done.downloaded.append(name);
        } else {
            ctx.failedDownloads.recordFailure(destination);
            done.failed.append(name);
        }
        QCoreApplication::processEvents();
    }
    return done;
}

}
