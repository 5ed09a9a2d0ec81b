#include "sync/failed_downloads.h"

#include "core/event_wait.h"
#include "core/file_helpers.h"
#include "core/list_file.h"
#include "core/logging.h"
#include "core/off_thread.h"
#include "sync/media_check.h"

#include <QDir>
#include <QFile>
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

QString partialPathFor(const QString& destination)
{
    const QFileInfo info(destination);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".part"));
}

QString RemoteVersion::ifRangeValidator() const
{
    // A weak ETag cannot vouch for bytes; a date can, to the second.
    if (!etag.isEmpty() && !etag.startsWith(QLatin1String("W/")))
        return etag;
    return lastModified;
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

FailedDownloads::FailedDownloads(ProgramPaths paths) : m_paths(std::move(paths)) {}

namespace {

constexpr char kPartial[] = "partial";
constexpr char kCheck[] = "check";

// Why a video the player could not open must go: its first bytes are no video. Empty
// when it passes, or when it cannot be read (then nothing shows it to be bad).
QString failsMediaCheck(const QString& path, bool& readable)
{
    QFile file(path);
    readable = file.open(QIODevice::ReadOnly);
    if (!readable)
        return {};
    return notAVideoReason(file.read(kMediaCheckBytes));
}

}

QStringList FailedDownloads::lines() const
{
    QStringList out = m_order;
    for (const QString& path : m_order) {
        const Entry& entry = m_entries.value(path);
        if (entry.kind.isEmpty())
            continue;
        out << u'[' + path + u']' << QStringLiteral("kind=") + entry.kind;
        const RemoteVersion& v = entry.version;
        if (!v.url.isEmpty())
            out << QStringLiteral("url=") + v.url;
        if (v.size >= 0)
            out << QStringLiteral("size=%1").arg(v.size);
        if (!v.etag.isEmpty())
            out << QStringLiteral("etag=") + v.etag;
        if (!v.lastModified.isEmpty())
            out << QStringLiteral("last_modified=") + v.lastModified;
    }
    return out;
}

void FailedDownloads::load(QStringList& order, QMap<QString, Entry>& entries) const
{
    QStringList file;
    if (!readListFile(m_paths.errorIni(), file))
        qCInfo(lcSync).noquote() << "no failed-downloads journal at" << m_paths.errorIni();
    QString section;
    for (const QString& line : std::as_const(file)) {
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2);
            if (!entries.contains(section) && !section.isEmpty()) {
                order.append(section);
                entries.insert(section, {});
            }
        } else if (section.isEmpty()) {
            if (!line.isEmpty() && !entries.contains(line)) {
                order.append(line);
                entries.insert(line, {});
            }
        } else if (const qsizetype equals = line.indexOf(u'='); equals > 0 && entries.contains(section)) {
            const QString key = line.left(equals).trimmed();
            const QString value = line.mid(equals + 1);
            Entry& entry = entries[section];
            if (key == QLatin1String("kind"))
                entry.kind = value;
            else if (key == QLatin1String("url"))
                entry.version.url = value;
            else if (key == QLatin1String("size"))
                entry.version.size = value.toLongLong();
            else if (key == QLatin1String("etag"))
                entry.version.etag = value;
            else if (key == QLatin1String("last_modified"))
                entry.version.lastModified = value;
        }
    }
}

bool FailedDownloads::save() const
{
    {
        std::lock_guard lock(m_disk->mutex);
        m_disk->newest = lines();
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
        return writeListFile(path, list);
    });
    if (saved)
        return true;
    qCWarning(lcSync).noquote() << "cannot write the failed-downloads journal" << m_paths.errorIni();
    return false;
}

void FailedDownloads::clearAtStartup()
{
    QStringList previous;
    QMap<QString, Entry> known;
    load(previous, known);
    letEventsRun();

    m_order.clear();
    m_entries.clear();
    m_failedDownloads.clear();
    m_unplayable.clear();
    auto keep = [this](const QString& path, const Entry& entry) {
        m_order.append(path);
        m_entries.insert(path, entry);
    };
    for (const QString& item : std::as_const(previous)) {
        const Entry entry = known.value(item);
        if (!isInVideoStore(m_paths, item)) {
            qCWarning(lcSync).noquote() << "journal line outside the video store dropped, nothing deleted:" << item;
            continue;
        }
        if (!ordinaryFileMatches(existingPathOrEmpty(item)) && !QFileInfo(item).isFile()) {
            qCInfo(lcSync).noquote() << "journaled file already gone:" << item;
            continue;
        }
        if (entry.kind == QLatin1String(kPartial) && entry.version.ifRangeValidator().isEmpty()) {
            if (deleteFile(item))
                qCInfo(lcSync).noquote() << "partial download the server gave no validator for deleted:" << item;
            continue;
        }
        if (entry.kind == QLatin1String(kPartial)) {
            qCInfo(lcSync).noquote() << "partial download kept for resuming:" << item << QFileInfo(item).size() << "of"
                                     << entry.version.size << "bytes";
            keep(item, entry);
            continue;
        }
        if (entry.kind == QLatin1String(kCheck)) {
            bool readable = false;
            const QString reason = failsMediaCheck(item, readable);
            if (!readable) {
                qCWarning(lcSync).noquote()
                    << "video that could not be played is still unreadable, kept for a later check:" << item;
                keep(item, entry);
            } else if (reason.isEmpty()) {
                qCInfo(lcSync).noquote() << "video that could not be played passes the media check, kept:" << item;
            } else if (deleteFile(item)) {
                qCWarning(lcSync).noquote() << "video that could not be played deleted:" << reason << item;
            }
            continue;
        }
        if (deleteFile(item))
            qCInfo(lcSync).noquote() << "partial file of a failed download deleted:" << item;
    }
    save();
}

bool FailedDownloads::begin(const QString& partialPath, const RemoteVersion& version)
{
    if (!m_entries.contains(partialPath))
        m_order.append(partialPath);
    m_entries.insert(partialPath, {QString::fromLatin1(kPartial), version});
    return save();
}

std::optional<RemoteVersion> FailedDownloads::partial(const QString& partialPath) const
{
    const auto found = m_entries.constFind(partialPath);
    if (found == m_entries.cend() || found->kind != QLatin1String(kPartial))
        return std::nullopt;
    return found->version;
}

void FailedDownloads::forget(const QString& partialPath)
{
    if (m_entries.remove(partialPath) == 0)
        return;
    m_order.removeAll(partialPath);
    save();
}

bool FailedDownloads::complete(const QString& partialPath, const QString& destination)
{
    // A video journaled for a check has just been replaced by a whole copy.
    for (const QString& path : {partialPath, destination}) {
        m_entries.remove(path);
        m_order.removeAll(path);
    }
    return save();
}

void FailedDownloads::dropPartialsNotListed(const QString& directory, const QStringList& listed)
{
    const QString folder = QDir::cleanPath(directory);
    QStringList stale;
    for (const QString& path : std::as_const(m_order)) {
        if (m_entries.value(path).kind != QLatin1String(kPartial) || QFileInfo(path).absolutePath() != folder)
            continue;
        bool wanted = false;
        for (const QString& name : listed)
            wanted = wanted || partialPathFor(joinPath(directory, name)) == path;
        if (!wanted)
            stale.append(path);
    }
    for (const QString& path : std::as_const(stale)) {
        qCInfo(lcSync).noquote() << "partial download of a video no longer listed deleted:" << path;
        QFile::remove(path);
        m_entries.remove(path);
        m_order.removeAll(path);
    }
    if (!stale.isEmpty())
        save();
}

void FailedDownloads::noteFailedDownload(const QString& destination) { m_failedDownloads.append(destination); }

void FailedDownloads::recordPlaybackFailure(const QString& path)
{
    if (m_unplayable.contains(path))
        return;
    m_unplayable.append(path);
    if (!m_entries.contains(path))
        m_order.append(path);
    m_entries.insert(path, {QString::fromLatin1(kCheck), {}});
    save();
}

void FailedDownloads::removeFromPlayable(std::array<QStringList, 6>& playable) const
{
    if (m_unplayable.isEmpty())
        return;
    QSet<QString> failed;
    for (const QString& path : m_unplayable)
        failed.insert(fileNameOf(path));
    for (QStringList& list : playable) {
        list.removeIf([&](const QString& name) {
            if (!failed.contains(name))
                return false;
            qCInfo(lcSync) << "keeps" << name << "out of the playlist: it could not be played";
            return true;
        });
    }
}

}
