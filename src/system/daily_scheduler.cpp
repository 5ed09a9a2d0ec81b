#include "system/daily_scheduler.h"

#include "core/clock.h"
#include "core/logging.h"
#include "core/settings.h"

namespace zepril {

RebootTime rebootTimeFrom(const QString& majvidHeure)
{
    return {majvidHeure.left(2), majvidHeure.right(2)};
}

TickDecision decideTick(const QTime& now, const RebootTime& rebootTime, qint64& refreshTickCount,
                        const QString& refreshEveryTicks)
{
    TickDecision decision;
    // Compared as texts on purpose: a setting without its leading zero never matches,
    // rather than restarting at a time nobody meant.
    if (now.toString(QStringLiteral("hh")) == rebootTime.hour
        && now.toString(QStringLiteral("mm")) == rebootTime.minute)
        decision.reboot = true;

    ++refreshTickCount;
    decision.refresh = refreshTickCount == leadingNumber(refreshEveryTicks);
    return decision;
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
    qCInfo(lcScheduler) << "daily restart when hh is" << m_rebootTime.hour << "and mm is" << m_rebootTime.minute;
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
    const TickDecision decision = decideTick(now.time(), m_rebootTime, m_refreshTickCount, m_refreshEveryTicks);

    if (decision.reboot) {
        qCInfo(lcScheduler).noquote() << "daily restart time reached at" << now.toString(Qt::ISODate);
        if (m_reboot)
            m_reboot();
    }
    if (decision.refresh) {
        qCInfo(lcScheduler) << "texts refresh due after" << m_refreshTickCount << "ticks";
        if (m_refresh)
            m_refresh();
        // A new period starts from every attempt, whether or not it brought new texts.
        m_refreshTickCount = 0;
    }
    m_inTick = false;
}

}
