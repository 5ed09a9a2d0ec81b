#include "system/daily_scheduler.h"

#include "core/clock.h"
#include "core/logging.h"
#include "core/reboot_time.h"
#include "core/settings.h"

namespace zepril {

bool rebootDue(const QDateTime& previous, const QDateTime& now, const QDateTime& seenUntil, QTime at)
{
    const QTimeZone zone = now.timeZone();
    QDateTime latest = firstMomentAt(now.date(), at, zone);
    if (latest > now)
        latest = firstMomentAt(now.date().addDays(-1), at, zone);
    constexpr qint64 kDaySeconds = 24 * 60 * 60;
    const bool passedBefore = latest <= seenUntil && latest.secsTo(seenUntil) < kDaySeconds;
    return previous < latest && latest <= now && !passedBefore;
}

bool refreshDue(qint64 ticksSinceTextsRefresh, const QString& textsRefreshTicks)
{
    return ticksSinceTextsRefresh == leadingNumber(textsRefreshTicks);
}

DailyScheduler::DailyScheduler(const Clock& clock, std::function<void()> reboot, std::function<void()> refresh,
                               QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_reboot(std::move(reboot)),
      m_refresh(std::move(refresh)),
      m_previousTick(clock.now()),
      m_seenUntil(m_previousTick)
{}

void DailyScheduler::configure(const QString& majvidHeure, const QString& majphrHeure)
{
    m_rebootTime = rebootTimeOfDay(majvidHeure);
    m_textsRefreshTicks = majphrHeure;
    m_ticksSinceTextsRefresh = 0;
    const long long every = leadingNumber(majphrHeure);
    if (m_rebootTime)
        qCInfo(lcScheduler).noquote() << "daily restart at" << m_rebootTime->toString(QStringLiteral("hh:mm"));
    else
        qCWarning(lcScheduler).noquote() << "majvid_heure" << majvidHeure
                                         << "names no time of day: the daily restart never happens";
    if (every > 0)
        qCInfo(lcScheduler) << "texts refresh every" << every << "ticks";
    else
        qCInfo(lcScheduler) << "texts refresh never: majphr_heure" << majphrHeure
                            << "does not begin with a number above 0";
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
    const bool rebootNow = m_rebootTime && rebootDue(m_previousTick, now, m_seenUntil, *m_rebootTime);
    if (now < m_previousTick)
        qCWarning(lcScheduler).noquote() << "the clock went back from" << m_previousTick.toString(Qt::ISODate) << "to"
                                         << now.toString(Qt::ISODate);
    m_previousTick = now;
    m_seenUntil = std::max(m_seenUntil, now);

    if (rebootNow) {
        qCInfo(lcScheduler).noquote() << "daily restart time" << m_rebootTime->toString(QStringLiteral("hh:mm"))
                                      << "passed; the clock reads" << now.toString(Qt::ISODate);
        if (m_reboot)
            m_reboot();
    }

    ++m_ticksSinceTextsRefresh;
    if (refreshDue(m_ticksSinceTextsRefresh, m_textsRefreshTicks)) {
        qCInfo(lcScheduler) << "texts refresh due after" << m_ticksSinceTextsRefresh << "ticks";
        if (m_refresh)
            m_refresh();
        // A new period starts from every attempt, whether or not it brought new texts.
        m_ticksSinceTextsRefresh = 0;
    }
    m_inTick = false;
}

}
