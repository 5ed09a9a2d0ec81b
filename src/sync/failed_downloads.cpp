#include "sync/failed_downloads.h"

#include "core/file_helpers.h"
#include "core/list_file.h"
#include "core/logging.h"
#include "core/off_thread.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

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

FailedDownloads::FailedDownloads(ProgramPaths paths)
    : m_paths(std::move(paths))
{
}

bool FailedDownloads::save() const
{
    {
        std::lock_guard lock(m_disk->mutex);
        m_disk->newest = m_journal;
    }
    // While one save waits for the disk, an event may change the journal and save again.
    // Each save writes whatever list is newest when its turn comes, so an overtaken save
    // can never leave an older list on the disk than the one its caller saw.
    const bool saved = runOffThread([disk = m_disk, path = m_paths.errorIni()] {
        std::lock_guard writing(disk->writing);
        QStringList list;
        {
            std::lock_guard lock(disk->mutex);
            list = disk->newest;
        }
        return SaveListToFile(path, list);
    });
    if (saved)
        return true;
    qCWarning(lcSync).noquote() << "cannot write the failed-downloads journal" << m_paths.errorIni();
    return false;
}

void FailedDownloads::clearAtStartup()
{
    const QString journal = m_paths.errorIni();
    QStringList previous;
    if (!ReadFileToList(journal, previous))
        qCInfo(lcSync).noquote() << "no failed-downloads journal at" << journal;
    QCoreApplication::processEvents();

    for (const QString& item : std::as_const(previous)) {
        if (item.isEmpty())
            continue;
        if (!isInVideoStore(m_paths, item)) {
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

    m_journal.clear();
    m_failed.clear();
    save();
}

bool FailedDownloads::begin(const QString& path)
{
    m_journal.append(path);
    return save();
}

bool FailedDownloads::complete(const QString& path)
{
    const qsizetype entry = m_journal.lastIndexOf(path);
    if (entry >= 0)
        m_journal.removeAt(entry);
    return save();
}

void FailedDownloads::recordFailure(const QString& path)
{
    if (m_failed.contains(path))
        return;
    m_failed.append(path);
    // The download under way is journaled already; its entry now stands for the failure.
    if (!m_journal.contains(path))
        m_journal.append(path);
    save();
}

void FailedDownloads::removeFromPlayable(std::array<QStringList, 6>& playable) const
{
    if (m_failed.isEmpty())
        return;
    QSet<QString> failed;
    for (const QString& path : m_failed)
        failed.insert(FileNameFromPath(path));
    for (QStringList& list : playable) {
        list.removeIf([&](const QString& name) {
            if (!failed.contains(name))
                return false;
            qCInfo(lcSync) << "keeps" << name << "out of the playlist: it could not be downloaded whole";
            return true;
        });
    }
}

}
