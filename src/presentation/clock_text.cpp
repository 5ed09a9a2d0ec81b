#include "presentation/clock_text.h"

#include <QDateTime>

namespace zepril {

QString clockText(const QTime& time)
{
    // Built by hand rather than through a format string: a locale or an AM/PM marker
    // must never change what the lobby screen shows.
    return QStringLiteral("%1:%2")
        .arg(time.hour(), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'));
}

QString clockText(const QDateTime& moment) { return clockText(moment.time()); }

}
