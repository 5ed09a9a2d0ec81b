#pragma once
// What the server said of each video when it was downloaded whole (size, ETag,
// Last-Modified), kept in cfg/versions.ini so that a later synchronization can tell a
// video replaced on the server under the same name. One section per local path.
#include "sync/failed_downloads.h"

#include <QMap>
#include <QString>

#include <optional>

namespace zepril {

class VideoVersions final {
public:
    explicit VideoVersions(QString file);

    std::optional<RemoteVersion> of(const QString& path) const;
    void record(const QString& path, const RemoteVersion& version);
    void forget(const QString& path);

private:
    void save() const;

    QString m_file;
    QMap<QString, RemoteVersion> m_versions;
};

}
