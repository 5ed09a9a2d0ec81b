#include "system/status_file.h"

#include "core/logging.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
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

std::optional<QDateTime> nextDailyTime(const QString& hhmm, const QDateTime& now)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{2}):([0-9]{2})$"));
    const auto m = form.match(hhmm);
    if (!m.hasMatch())
        return std::nullopt;
    const QTime time(m.captured(1).toInt(), m.captured(2).toInt());
    if (!time.isValid())
        return std::nullopt;
    QDateTime next(now.date(), time, now.timeSpec());
    if (next <= now)
        next = next.addDays(1);
    return next;
}

}
