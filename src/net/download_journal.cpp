#include "net/download_journal.h"

#include "core/file_helpers.h"
#include "core/list_file.h"
#include "core/logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace zepril {

namespace {

// Both in Qt's "/" form; a look-alike sibling ("videos-autox") is not below.
bool isBelow(const QString& directory, const QString& root)
{
    if (directory.isEmpty() || root.isEmpty())
        return false;
    return directory == root || directory.startsWith(root + QLatin1Char('/'));
}

}

bool isInVideoStore(const ProgramPaths& paths, const QString& path)
{
    // A relative line would be resolved against whatever the working directory is.
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return false;
    const QString cleaned = QDir::cleanPath(path);
    const QString directory = QFileInfo(cleaned).absolutePath();
    for (const char* store : {"videos-man", "videos-auto"}) {
        const QString root = QDir::cleanPath(paths.videoRoot(QString::fromLatin1(store)));
        if (!isBelow(directory, root))
            continue;
        // Links resolved too, so that a linked directory cannot lead a deletion out of
        // the store. A directory that does not exist holds nothing to delete.
        if (!QFileInfo::exists(directory))
            return true;
        return isBelow(QFileInfo(directory).canonicalFilePath(), QFileInfo(root).canonicalFilePath());
    }
    return false;
}

void clearFailedDownloads(const ProgramPaths& paths, QStringList& failedDownloads)
{
    const QString journal = paths.errorIni();
    if (!ReadFileToList(journal, failedDownloads))
        qCInfo(lcSync).noquote() << "no failed-downloads journal at" << journal;
    QCoreApplication::processEvents();

    for (const QString& item : std::as_const(failedDownloads)) {
        if (item.isEmpty())
            continue;
        if (!isInVideoStore(paths, item)) {
            qCWarning(lcSync).noquote() << "journal line outside the video store dropped, nothing deleted:" << item;
            continue;
        }
        if (!FileExists(GetShortPath(item))) {
            qCInfo(lcSync).noquote() << "partial file of a failed download already gone:" << item;
            continue;
        }
        if (deleteFile(item))
            qCInfo(lcSync).noquote() << "partial file of a failed download deleted:" << item;
    }

    failedDownloads.clear();
    if (!SaveListToFile(journal, failedDownloads))
        qCWarning(lcSync).noquote() << "cannot empty the failed-downloads journal" << journal;
}

}
