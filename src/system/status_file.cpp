#include "system/status_file.h"

#include "core/logging.h"
#include "core/reboot_time.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace zepril {

static QJsonValue timeValue(const QDateTime& t)
{
    return t.isValid() ? QJsonValue(t.toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null);
}

QByteArray statusJson(const ChannelStatus& s)
{
    QJsonObject o;
    o.insert(QStringLiteral("version"), s.version);
    o.insert(QStringLiteral("state"), s.state);
    o.insert(QStringLiteral("current_item"), s.currentItem);
    o.insert(QStringLiteral("playlist_size"), s.playlistSize);
    o.insert(QStringLiteral("last_texts_refresh"), timeValue(s.lastTextsRefresh));
    o.insert(QStringLiteral("last_texts_outcome"), s.lastTextsOutcome);
    o.insert(QStringLiteral("last_sync"), timeValue(s.lastSync));
    o.insert(QStringLiteral("last_sync_failed"), QJsonArray::fromStringList(s.lastSyncFailed));
    o.insert(QStringLiteral("next_reboot"), timeValue(s.nextReboot));
    o.insert(QStringLiteral("uptime_s"), double(s.uptimeSeconds));
    o.insert(QStringLiteral("written"), timeValue(s.written));
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

bool writeStatusFile(const QString& path, const ChannelStatus& status)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(statusJson(status)) < 0 || !file.commit()) {
        qCWarning(lcSystem) << "status file" << path << "not written:" << file.errorString();
        return false;
    }
    return true;
}

std::optional<QByteArray> readStatusFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

std::optional<QDateTime> nextDailyTime(const QString& majvidHeure, const QDateTime& now)
{
    const std::optional<QTime> time = rebootTimeOfDay(majvidHeure);
    if (!time)
        return std::nullopt;
    QDateTime next = firstMomentAt(now.date(), *time, now.timeZone());
    if (next <= now)
        next = firstMomentAt(now.date().addDays(1), *time, now.timeZone());
    return now.timeSpec() == Qt::LocalTime ? next.toLocalTime() : next;
}

}
