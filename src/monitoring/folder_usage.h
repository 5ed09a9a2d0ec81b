#pragma once
// What the videos take on disk, per category, and what the disk has left: read from
// the tree each time the metrics are written.
#include "monitoring/player_snapshot.h"

namespace zepril {

// The six categories in their order, then "index"; ordinary files only.
QList<CategoryUsage> categoryUsage(const QString& videoRoot);

struct FilesystemSpace {
    qint64 freeBytes = -1; // for an unprivileged user; -1 unknown
    qint64 sizeBytes = -1;
};
FilesystemSpace filesystemSpace(const QString& path);

}
