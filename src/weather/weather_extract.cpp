#include "weather/weather_extract.h"

namespace zepril {

std::optional<QString> extractElement(const QString& document, const QString& name)
{
    const QString opening = u'<' + name + u'>';
    const QString closing = QStringLiteral("</") + name + u'>';
    const qsizetype open = document.indexOf(opening, 0, Qt::CaseSensitive);
    const qsizetype close = document.indexOf(closing, 0, Qt::CaseSensitive);
    if (open < 0 || close < 0)
        return std::nullopt;
    const qsizetype start = open + opening.size();
    // A closing tag ahead of the opening one would otherwise yield a negative length,
    // or text from outside the element.
    if (close < start)
        return std::nullopt;
    return document.mid(start, close - start);
}

}
