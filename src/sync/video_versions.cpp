#include "sync/video_versions.h"

#include "core/list_file.h"
#include "core/logging.h"
#include "core/off_thread.h"

namespace zepril {

VideoVersions::VideoVersions(QString file) : m_file(std::move(file))
{
    QStringList lines;
    readListFile(m_file, lines);
    RemoteVersion* current = nullptr;
    for (const QString& line : std::as_const(lines)) {
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = &m_versions[line.mid(1, line.size() - 2)];
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals <= 0)
            continue;
        const QString key = line.left(equals);
        const QString value = line.mid(equals + 1);
        if (key == QLatin1String("size"))
            current->size = value.toLongLong();
        else if (key == QLatin1String("etag"))
            current->etag = value;
        else if (key == QLatin1String("last_modified"))
            current->lastModified = value;
        else if (key == QLatin1String("url"))
            current->url = value;
    }
}

std::optional<RemoteVersion> VideoVersions::of(const QString& path) const
{
    const auto found = m_versions.constFind(path);
    if (found == m_versions.cend())
        return std::nullopt;
    return *found;
}

void VideoVersions::record(const QString& path, const RemoteVersion& version)
{
    m_versions.insert(path, version);
    save();
}

void VideoVersions::forget(const QString& path)
{
    if (m_versions.remove(path) > 0)
        save();
}

void VideoVersions::save() const
{
    QStringList lines;
    for (auto it = m_versions.cbegin(); it != m_versions.cend(); ++it) {
        lines << u'[' + it.key() + u']' << QStringLiteral("url=") + it->url << QStringLiteral("size=%1").arg(it->size)
              << QStringLiteral("etag=") + it->etag << QStringLiteral("last_modified=") + it->lastModified;
    }
    if (!runOffThread([&] { return writeListFile(m_file, lines); }))
        qCWarning(lcSync).noquote() << "cannot write" << m_file;
}

}
