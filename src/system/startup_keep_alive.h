#pragma once
// Keeps a long start-up alive under the service manager for as long as it moves, and no
// longer. The channel is READY only once it plays, which on a first installation or a
// slow line comes after long downloads; the service manager's start timeout would end
// such a start-up and it would start over, downloading again, for ever. So each sign of
// progress (a new stage or status, more bytes) pushes the start timeout on by a grace
// period. A start-up that stops moving, stuck in a wait or frozen, sends nothing and is
// ended when its grace runs out.
//
// Why not READY at once with status lines and the watchdog: the watchdog only proves
// that the event loop turns, which a start-up waiting in a nested loop for a transfer
// that never ends still does; and "active" keeps meaning "the channel plays", which the
// daily reboot timer and the group's monitoring read.
#include "core/startup_reporter.h"

#include <QElapsedTimer>

#include <functional>

namespace zepril {

class ServiceNotifier;

// When to tell the service manager: at the first sign of progress, then at most once per
// notice period, and only for progress made since the last notice.
class ProgressNoticeGate final {
public:
    explicit ProgressNoticeGate(int noticeEveryMs) : m_noticeEveryMs(noticeEveryMs) {}
    // A sign of progress at nowMs (monotonic): true when a notice goes now.
    bool progressed(qint64 nowMs);

private:
    int m_noticeEveryMs;
    qint64 m_lastNoticeMs = 0;
    bool m_noticed = false;
};

// A reporter in front of another: forwards every report and tells the service manager of
// the ones that show progress.
class StartupKeepAlive final : public StartupReporter {
public:
    StartupKeepAlive(StartupReporter& next, ServiceNotifier& notifier, int graceMs, int noticeEveryMs,
                     std::function<qint64()> monotonicMs = {});

    void setStatus(const QString& text) override;
    void showStage(int index) override;
    void setFileSize(const QString& text) override;
    void setProgressRange(double minimum, double maximum) override;
    void setProgressValue(double value) override;
    void showConnectionWarning() override { m_next.showConnectionWarning(); }
    bool connectionWarningShown() const override { return m_next.connectionWarningShown(); }

    // What the service manager shows for the unit: the stage and the file's progress.
    QString statusLine() const;

private:
    void progressed();

    StartupReporter& m_next;
    ServiceNotifier& m_notifier;
    int m_graceMs;
    ProgressNoticeGate m_gate;
    std::function<qint64()> m_monotonicMs;
    QElapsedTimer m_elapsed;
    QString m_status;
    QString m_fileSize;
    double m_value = 0;
    unsigned m_stagesShown = 0;
};

}
