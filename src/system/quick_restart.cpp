#include "system/quick_restart.h"

#include "core/file_helpers.h"
#include "core/logging.h"
#include "core/program_paths.h"

#include <QFile>
#include <QSaveFile>

namespace zepril {

StartChoice chooseStart(const std::optional<ChannelStartRecord>& record, const QString& bootId)
{
    if (bootId.isEmpty())
        return {false, QStringLiteral("this boot has no id to compare")};
    if (!record || record->bootId.isEmpty())
        return {false, QStringLiteral("the channel has not played yet in this program directory")};
    if (record->bootId != bootId)
        return {false, QStringLiteral("first start since the machine booted")};
    if (record->quickStarts >= kQuickStartsWithoutPlaying)
        return {false, QStringLiteral("%1 quick starts in a row did not reach the channel").arg(record->quickStarts)};
    return {true, QStringLiteral("the channel already played in this boot")};
}

QString currentBootId()
{
    if (const QString forced = qEnvironmentVariable("ZEPRIL_BOOT_ID"); !forced.isEmpty())
        return forced;
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readLine(64)).trimmed();
}

QString channelStartRecordFile(const ProgramPaths& paths)
{
    return joinPath(paths.cfg(), QStringLiteral("channel_start.txt"));
}

std::optional<ChannelStartRecord> readChannelStart(const ProgramPaths& paths)
{
    QFile file(channelStartRecordFile(paths));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    ChannelStartRecord record;
    record.bootId = QString::fromLatin1(file.readLine(64)).trimmed();
    bool ok = false;
    record.quickStarts = QString::fromLatin1(file.readLine(16)).trimmed().toInt(&ok);
    // An unreadable count is taken as the worst, so a damaged record never loops quick starts.
    if (!ok)
        record.quickStarts = kQuickStartsWithoutPlaying;
    return record;
}

bool writeChannelStart(const ProgramPaths& paths, const ChannelStartRecord& record)
{
    QSaveFile file(channelStartRecordFile(paths));
    const QByteArray text = record.bootId.toLatin1() + "\r\n" + QByteArray::number(record.quickStarts) + "\r\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        qCWarning(lcStartup).noquote() << "cannot write" << file.fileName() << "-" << file.errorString()
                                       << ": a restart in this boot goes through the whole start-up";
        return false;
    }
    return true;
}

}
