#include "core/reboot_time.h"

#include <QRegularExpression>

namespace zepril {

namespace {
std::optional<int> twoDigits(QStringView text, int below)
{
    const auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    if (text.size() != 2 || !digit(text.at(0)) || !digit(text.at(1)))
        return std::nullopt;
    const int value = (text.at(0).unicode() - u'0') * 10 + (text.at(1).unicode() - u'0');
    return value < below ? std::optional(value) : std::nullopt;
}
}

std::optional<QTime> rebootTimeOfDay(const QString& majvidHeure)
{
    // Two characters at each end that do not overlap: "03" alone names no minute.
    if (majvidHeure.size() >= 4) {
        const auto hour = twoDigits(QStringView(majvidHeure).left(2), 24);
        const auto minute = twoDigits(QStringView(majvidHeure).right(2), 60);
        if (hour && minute)
            return QTime(*hour, *minute);
    }
    static const QRegularExpression written(QStringLiteral("^([0-9]{1,2}) *[:hH.] *([0-9]{2})$"));
    const QRegularExpressionMatch m = written.match(majvidHeure.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const int hour = m.captured(1).toInt(), minute = m.captured(2).toInt();
    if (hour == 24 && minute == 0)
        return QTime(0, 0);
    if (hour > 23 || minute > 59)
        return std::nullopt;
    return QTime(hour, minute);
}

QDateTime firstMomentAt(QDate day, QTime time, const QTimeZone& zone)
{
    // The reading taken as if it were UTC, less each offset the zone has around that
    // day, gives the moments the clock reads it; the earlier one that really does.
    const QDateTime reading(day, time, Qt::UTC);
    std::optional<QDateTime> first;
    for (const int days : {-1, 1}) {
        const int offset = zone.offsetFromUtc(reading.addDays(days));
        const QDateTime moment = reading.addSecs(-offset);
        if (zone.offsetFromUtc(moment) == offset && (!first || moment < *first))
            first = moment;
    }
    if (first)
        return first->toTimeZone(zone);
    // Skipped: the clock jumps over the reading at the zone's next change.
    const QDateTime before = reading.addSecs(-zone.offsetFromUtc(reading.addDays(1)));
    const QTimeZone::OffsetData change = zone.nextTransition(before);
    return (change.atUtc.isValid() ? change.atUtc : reading).toTimeZone(zone);
}

}
