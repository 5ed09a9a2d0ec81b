#include "sync/sync_category.h"

#include "core/categories.h"
#include "core/connection_probe.h"
#include "core/file_helpers.h"
#include "core/logging.h"
#include "core/startup_reporter.h"
#include "sync/sync_plan.h"

#include <QCoreApplication>
#include <QSet>
#include <QUrl>

namespace zepril {

QString videoUrl(const ServerAddress& content, const QString& category, const QString& name)
{
    return content.baseUrl() + QStringLiteral("/videos/") + QString::fromLatin1(QUrl::toPercentEncoding(category))
        + u'/' + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

void syncCategory(SyncContext& ctx, const QString& nomCat, const QStringList& nomCat1, bool listFetched)
{
    ctx.reporter.setStatus(QStringLiteral("Synchronisation catégorie ") + nomCat);
    QString kind;
    if (!IsInternetConnected(ctx.probe, kind)) {
        qCInfo(lcSync) << nomCat << "not synchronized: no connection";
        return;
    }
    // An empty list from a failed fetch must not be taken for an empty category: that
    // would delete every video because the server was down.
    if (!listFetched) {
        qCWarning(lcSync) << nomCat << "not synchronized: its list could not be fetched";
        return;
    }

    const QString directory = ctx.paths.categoryDir(ctx.activeVideoDir, nomCat);
    QStringList rejected;
    const QStringList serverNames = safeServerNames(nomCat1, &rejected);
    for (const QString& name : rejected)
        qCWarning(lcSync) << nomCat << "ignores the server name" << name << ": not a plain file name";

    ctx.lstCat = listOrdinaryFiles(directory);
    ctx.lstSyncSupp = namesMissingFrom(ctx.lstCat, serverNames);
    for (const QString& name : std::as_const(ctx.lstSyncSupp)) {
        const QString path = joinPath(directory, name);
        if (!FileExists(GetShortPath(path)))
            continue;
        qCInfo(lcSync) << nomCat << "deletes" << name << ": no longer listed";
        if (!deleteFile(path)) {
            qCWarning(lcSync) << nomCat << "synchronization abandoned: cannot delete" << path;
            return;
        }
    }

    ctx.lstCat = listOrdinaryFiles(directory);
    const QStringList toDownload = namesMissingFrom(serverNames, ctx.lstCat);
    qCInfo(lcSync) << nomCat << ":" << ctx.lstSyncSupp.size() << "deleted," << toDownload.size() << "to download";
    for (const QString& name : toDownload) {
        ctx.download(videoUrl(ctx.content, nomCat, name), joinPath(directory, name), name);
        QCoreApplication::processEvents();
    }
}

void synchronizeCategories(SyncContext& ctx, const std::array<QStringList, 6>& serverLists,
                           const std::array<bool, 6>& listFetched)
{
    for (size_t k = 0; k < kCategories.size(); ++k) {
        syncCategory(ctx, QString::fromLatin1(kCategories[k].name), serverLists[k], listFetched[k]);
        ctx.reporter.showStage(kCategories[k].stage);
        QCoreApplication::processEvents();
    }
}

void removeFailedFromPlayable(const QStringList& failedDownloads, std::array<QStringList, 6>& playable)
{
    if (failedDownloads.isEmpty())
        return;
    QSet<QString> failed;
    for (const QString& path : failedDownloads)
        failed.insert(FileNameFromPath(path));
    for (QStringList& list : playable) {
        list.removeIf([&](const QString& name) {
            if (!failed.contains(name))
                return false;
            qCInfo(lcSync) << "keeps" << name << "out of the playlist: its download failed";
            return true;
        });
    }
}

}
