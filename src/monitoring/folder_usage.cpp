#include "monitoring/folder_usage.h"

#include "core/categories.h"
#include "core/file_helpers.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace zepril {

static CategoryUsage usageOf(const QString& folder, const QString& name)
{
    CategoryUsage usage;
    usage.category = name;
    for (const QString& file : listOrdinaryFiles(folder)) {
        ++usage.files;
        usage.bytes += QFileInfo(joinPath(folder, file)).size();
    }
    return usage;
}

QList<CategoryUsage> categoryUsage(const QString& videoRoot)
{
    QList<CategoryUsage> all;
    for (const Category& c : kCategories)
        all << usageOf(joinPath(videoRoot, QLatin1String(c.name)), QLatin1String(c.name));
    all << usageOf(joinPath(videoRoot, QStringLiteral("index")), QStringLiteral("index"));
    return all;
}

FilesystemSpace filesystemSpace(const QString& path)
{
    const QStorageInfo storage(path);
    if (!storage.isValid() || !storage.isReady())
        return {};
    return {storage.bytesAvailable(), storage.bytesTotal()};
}

}
