#include "sync/progress_text.h"

#include <cmath>

namespace zepril {

namespace {

constexpr double kMegabyte = 1024.0 * 1024.0;

// Hundredths as "int[.frac]" with the trailing zeros dropped. Built by hand because
// the generic formatters either group thousands or switch to exponents.
QString hundredthsText(long long hundredths, const QLocale& locale)
{
    const bool negative = hundredths < 0;
    const long long magnitude = negative ? -hundredths : hundredths;
    QString text = QString::number(magnitude / 100);
    const int fraction = int(magnitude % 100);
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 2, 10, QLatin1Char('0'));
        if (digits.endsWith(u'0'))
            digits.chop(1);
        text += locale.decimalPoint() + digits;
    }
    return negative ? QStringLiteral("-") + text : text;
}

// std::nearbyint follows the default rounding mode, which is to nearest, ties to even.
long long roundHalfEven(double value) { return static_cast<long long>(std::nearbyint(value)); }

}

QString megabytesText(double bytes, const QLocale& locale)
{
    // bytes x 100 / 2^20 is exact in a double for every size below 2^46 bytes, so the
    // tie test sees the true value.
    return hundredthsText(roundHalfEven(bytes * 100.0 / kMegabyte), locale);
}

QString progressText(double received, double announced, const QLocale& locale)
{
    if (!(announced > 0))
        return megabytesText(received, locale) + QStringLiteral(" Mo");
    const long long percent = roundHalfEven(received * 100.0 / announced);
    return QString::number(percent) + QStringLiteral(" %  -  ") + megabytesText(received, locale)
        + QStringLiteral(" Mo / ") + megabytesText(announced, locale) + QStringLiteral(" Mo");
}

}
