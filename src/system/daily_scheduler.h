#pragma once
// The minute timer's two jobs: the daily restart at majvid_heure and the texts
// refresh every majphr_heure ticks. The decision is a plain function; DailyScheduler
// keeps the counters between ticks and calls whatever the main screen wired in.
#include <QObject>
#include <QString>
#include <QTime>

#include <functional>

namespace zepril {

class Clock;

// The restart time as the timer compares it: the first and the last two characters of
// majvid_heure, as texts ("03:00" -> "03", "00"; "3:00" -> "3:", which never matches).
struct RebootTime {
    QString hour;
    QString minute;
};
RebootTime rebootTimeFrom(const QString& majvidHeure);

struct TickDecision {
    bool reboot = false;
    bool refresh = false;
};

// One tick: compares the time of day with the restart time as "hh" and "mm" texts,
// adds 1 to refreshTickCount and asks for a refresh when the count equals the leading
// number of refreshEveryTicks ("02:00" -> 2, "abc" -> 0, which is never reached).
// Resetting the count after the refresh attempt is the caller's part.
TickDecision decideTick(const QTime& now, const RebootTime& rebootTime, qint64& refreshTickCount,
                        const QString& refreshEveryTicks);

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
    bool m_inTick = false;
};

}
