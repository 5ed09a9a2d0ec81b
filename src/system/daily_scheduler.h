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

// Whether the tick at `now` restarts the machine at the time of day `at`. It does when
// the latest moment the clock first read `at` (firstMomentAt: once on the night the
// clocks go back, at the jump on the night they go forward) came after `previous`, the
// previous tick or, for the first tick, the time the scheduler started: a clock
// stepped forward over it, before or after the first tick, restarts once. A clock set
// back never restarts by itself, nor when it passes again a moment that came less
// than a day before `seenUntil`, the latest time the clock read so far.
bool rebootDue(const QDateTime& previous, const QDateTime& now, const QDateTime& seenUntil, QTime at);

// Whether the tick count since the last refresh attempt, this tick included, is the
// leading number of textsRefreshTicks ("02:00" -> 2, "abc" -> 0, which is never reached).
bool refreshDue(qint64 ticksSinceTextsRefresh, const QString& textsRefreshTicks);

class DailyScheduler final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DailyScheduler)
public:
    // Restart moments from now on count; those before belong to an earlier run.
    DailyScheduler(const Clock& clock, std::function<void()> reboot, std::function<void()> refresh,
                   QObject* parent = nullptr);

    // From the settings as the start-up read them; the tick count starts again at 0.
    void configure(const QString& majvidHeure, const QString& majphrHeure);

    const std::optional<QTime>& rebootTime() const { return m_rebootTime; }
    const QString& textsRefreshTicks() const { return m_textsRefreshTicks; }
    qint64 ticksSinceTextsRefresh() const { return m_ticksSinceTextsRefresh; }

public slots:
    // The timer's tick (interval Timings::textsTickMs).
    void onTick();

private:
    const Clock& m_clock;
    std::function<void()> m_reboot;
    std::function<void()> m_refresh;
    std::optional<QTime> m_rebootTime;
    QString m_textsRefreshTicks;
    qint64 m_ticksSinceTextsRefresh = 0;
    QDateTime m_previousTick; // the start until the first tick
    QDateTime m_seenUntil;
    bool m_inTick = false;
};

}
