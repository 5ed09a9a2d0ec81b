#include "monitoring/run_memory.h"

#include "monitoring/metrics_export.h"
#include "monitoring/monitoring_log.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace zepril {

RunMemory countStart(RunMemory memory, const QString& bootId)
{
    if (bootId.isEmpty() || memory.bootId != bootId)
        memory.startsThisBoot = 0;
    memory.bootId = bootId;
    ++memory.startsThisBoot;
    return memory;
}

RunMemory readRunMemory(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    RunMemory memory;
    memory.bootId = o.value(QStringLiteral("boot_id")).toString();
    memory.startsThisBoot = qMax(0, o.value(QStringLiteral("starts_this_boot")).toInt());
    memory.lastSuccessfulSync =
        QDateTime::fromString(o.value(QStringLiteral("last_successful_sync")).toString(), Qt::ISODate);
    return memory;
}

bool writeRunMemory(const QString& path, const RunMemory& memory)
{
    QJsonObject o;
    o.insert(QStringLiteral("boot_id"), memory.bootId);
    o.insert(QStringLiteral("starts_this_boot"), memory.startsThisBoot);
    if (memory.lastSuccessfulSync.isValid())
        o.insert(QStringLiteral("last_successful_sync"), memory.lastSuccessfulSync.toUTC().toString(Qt::ISODateWithMs));
    QString error;
    if (replaceFile(path, QJsonDocument(o).toJson(), error))
        return true;
    qCWarning(lcMonitoring).noquote() << path << "not written:" << error;
    return false;
}

}
