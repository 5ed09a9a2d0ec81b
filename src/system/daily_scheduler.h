#pragma once
// The minute timer's two jobs: the daily restart at majvid_heure and the texts
// refresh every majphr_heure ticks. The decisions are plain functions of the ticks'
// times and the settings; DailyScheduler keeps what they need between ticks and calls
// whatever the main screen wired in.
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTime>

#include <functional>
#include <optional>

namespace zepril {

class Clock;

// The restart time as majvid_heure gives it: its first and its last two characters
// ("03:00" -> "03", "00"). Only two digits each, an hour 00 to 23 and a minute 00 to
// 59, make a time: "3:00" gives "3:", which never matches, rather than restarting at
// a time nobody meant.
struct RebootTime {
    QString hour;
    QString minute;
    // The minute of the day it names; nothing when it names none.
    std::optional<QTime> time() const;
};
RebootTime rebootTimeFrom(const QString& majvidHeure);

// Whether this tick restarts the machine, and for which day's restart minute. It does
// when this tick falls in the restart minute, or when the restart minute began after
// the previous tick and no later than this one: a clock stepped forward over it (an
// NTP correction, a tick held back by a busy thread) still restarts once. A clock
// stepped backward never restarts by itself, and the restart minute of the day last
// acted on (lastRebootDay) is not acted on again, so a clock set back over it after a
// restart request does not ask twice that day. previousTick is empty on the first tick.
std::optional<QDate> rebootDayDue(const std::optional<QDateTime>& previousTick, const QDateTime& thisTick,
                                  const RebootTime& rebootTime, const std::optional<QDate>& lastRebootDay);

// Whether the tick count since the last refresh attempt, this tick included, is the
// leading number of refreshEveryTicks ("02:00" -> 2, "abc" -> 0, which is never reached).
bool refreshDue(qint64 refreshTickCount, const QString& refreshEveryTicks);

class DailyScheduler final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DailyScheduler)
public:
    DailyScheduler(const Clock& clock, std::function<void()> reboot, std::function<void()> refresh,
                   QObject* parent = nullptr);

    // From the settings as the start-up read them; the tick count starts again at 0.
    void configure(const QString& majvidHeure, const QString& majphrHeure);

    const RebootTime& rebootTime() const { return m_rebootTime; }
    const QString& refreshEveryTicks() const { return m_refreshEveryTicks; }
    qint64 refreshTickCount() const { return m_refreshTickCount; }

public slots:
    // The timer's tick (interval Timings::textsTickMs).
    void onTick();

private:
    const Clock& m_clock;
    std::function<void()> m_reboot;
    std::function<void()> m_refresh;
    RebootTime m_rebootTime;
    QString m_refreshEveryTicks;
    qint64 m_refreshTickCount = 0;
    std::optional<QDateTime> m_previousTick;
    std::optional<QDate> m_lastRebootDay;
    bool m_inTick = false;
};

}
