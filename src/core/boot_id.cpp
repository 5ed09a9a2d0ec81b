#include "core/boot_id.h"

#include <QFile>

namespace zepril {

QString currentBootId()
{
    if (const QString forced = qEnvironmentVariable("ZEPRIL_BOOT_ID"); !forced.isEmpty())
        return forced;
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readLine(64)).trimmed();
}

}
