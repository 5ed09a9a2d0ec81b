#include "system/daily_scheduler.h"

#include "core/clock.h"
#include "core/logging.h"
#include "core/settings.h"

namespace zepril {

namespace {
std::optional<int> twoDigits(const QString& text, int below)
{
    const auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    if (text.size() != 2 || !digit(text.at(0)) || !digit(text.at(1)))
        return std::nullopt;
    const int value = (text.at(0).unicode() - u'0') * 10 + (text.at(1).unicode() - u'0');
    if (value >= below)
        return std::nullopt;
    return value;
}
}

std::optional<QTime> RebootTime::time() const
{
    const std::optional<int> h = twoDigits(hour, 24);
    const std::optional<int> m = twoDigits(minute, 60);
    if (!h || !m)
        return std::nullopt;
    return QTime(*h, *m);
}

RebootTime rebootTimeFrom(const QString& majvidHeure)
{
    return {majvidHeure.left(2), majvidHeure.right(2)};
}

std::optional<QDate> rebootDayDue(const std::optional<QDateTime>& previousTick, const QDateTime& thisTick,
                                  const RebootTime& rebootTime, const std::optional<QDate>& lastRebootDay)
{
    const std::optional<QTime> minute = rebootTime.time();
    if (!minute)
        return std::nullopt;
    // A step over midnight can pass the restart minute of the previous tick's day as
    // well as that of this tick's day; the latest one passed is the one acted on.
    for (const QDate day : {thisTick.date(), previousTick ? previousTick->date() : thisTick.date()}) {
        if (day == lastRebootDay)
            continue;
        QDateTime start = thisTick;
        start.setDate(day);
        start.setTime(*minute);
        const bool inMinute = start <= thisTick && thisTick < start.addSecs(60);
        const bool steppedOver = previousTick && *previousTick < start && start <= thisTick;
        if (inMinute || steppedOver)
            return day;
    }
    return std::nullopt;
}

bool refreshDue(qint64 refreshTickCount, const QString& refreshEveryTicks)
{
    return refreshTickCount == leadingNumber(refreshEveryTicks);
}

DailyScheduler::DailyScheduler(const Clock& clock, std::function<void()> reboot, std::function<void()> refresh,
                               QObject* parent)
    : QObject(parent), m_clock(clock), m_reboot(std::move(reboot)), m_refresh(std::move(refresh))
{
}

void DailyScheduler::configure(const QString& majvidHeure, const QString& majphrHeure)
{
    m_rebootTime = rebootTimeFrom(majvidHeure);
    m_refreshEveryTicks = majphrHeure;
    m_refreshTickCount = 0;
    const long long every = leadingNumber(majphrHeure);
    if (const std::optional<QTime> at = m_rebootTime.time())
        qCInfo(lcScheduler).noquote() << "daily restart at" << at->toString(QStringLiteral("hh:mm"));
    else
        qCWarning(lcScheduler).noquote() << "majvid_heure" << majvidHeure
                                         << "is not a time written hh:mm: the daily restart never happens";
    if (every > 0)
        qCInfo(lcScheduler) << "texts refresh every" << every << "ticks";
    else
        qCInfo(lcScheduler) << "texts refresh never: majphr_heure" << majphrHeure << "does not begin with a number above 0";
}

void DailyScheduler::onTick()
{
    // The refresh yields to the event loop; a tick arriving meanwhile must not start a
    // second refresh on top of the first.
    if (m_inTick) {
        qCInfo(lcScheduler) << "tick skipped: the previous one is still running";
        return;
    }
    m_inTick = true;

    const QDateTime now = m_clock.now();
    const std::optional<QDate> rebootDay = rebootDayDue(m_previousTick, now, m_rebootTime, m_lastRebootDay);
    if (m_previousTick && now < *m_previousTick)
        qCWarning(lcScheduler).noquote() << "the clock went back from" << m_previousTick->toString(Qt::ISODate)
                                         << "to" << now.toString(Qt::ISODate);
    m_previousTick = now;

    if (rebootDay) {
        m_lastRebootDay = rebootDay;
        qCInfo(lcScheduler).noquote() << "daily restart time of" << rebootDay->toString(Qt::ISODate) << "reached at"
                                      << now.toString(Qt::ISODate);
        if (m_reboot)
            m_reboot();
    }

    ++m_refreshTickCount;
    if (refreshDue(m_refreshTickCount, m_refreshEveryTicks)) {
        qCInfo(lcScheduler) << "texts refresh due after" << m_refreshTickCount << "ticks";
        if (m_refresh)
            m_refresh();
        // A new period starts from every attempt, whether or not it brought new texts.
        m_refreshTickCount = 0;
    }
    m_inTick = false;
}

}
