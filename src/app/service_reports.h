#pragma once
// What the service manager, the status file and the group's monitoring are told of the
// run: the start-up's keep-alive, READY and STOPPING, the watchdog, status.json every
// minute, and the retry of a channel that found nothing to play.
#include "app/fleet_reports.h"
#include "core/program_paths.h"
#include "core/timings.h"
#include "system/status_file.h"

#include <QDateTime>

#include <functional>
#include <memory>

class QObject;
class QTimer;

namespace zepril {

class ServiceNotifier;
class StartupKeepAlive;
class StartupReporter;
class StartupSequence;
enum class RefreshOutcome;

class ServiceReports final {
public:
    // The start-up reports to `startupReporter` through the keep-alive; the channel's
    // start is recorded under bootId.
    ServiceReports(ProgramPaths paths, Timings timings, Clock& clock, StartupReporter& startupReporter, QString bootId);
    ~ServiceReports();

    StartupKeepAlive& keepAlive() { return *m_keepAlive; }
    FleetReports& fleet() { return *m_fleet; }

    // Starts the watchdog and the monitoring once the run's parts exist. The timers are
    // children of timerOwner; videosFound runs when a retry found something to play.
    void begin(StartupSequence& sequence, QObject& timerOwner, FleetSources sources, std::function<void()> videosFound);

    void itemPlaying(const QString& path);
    // The start-up's stages ran: the synchronization's time and outcome are known.
    void stagesDone(bool quick);
    // The start-up is over: a channel with nothing to play says so, and the status file
    // starts its minute.
    void startupDone();
    void textsRefreshed(RefreshOutcome outcome);
    // Told before the player ends on a signal.
    void stopping();
    QString startupStatusLine() const;
    void writeStatus();

private:
    void checkSomethingPlays();

    ProgramPaths m_paths;
    Timings m_timings;
    Clock& m_clock;
    QString m_bootId;
    std::unique_ptr<ServiceNotifier> m_notifier;
    std::unique_ptr<StartupKeepAlive> m_keepAlive;
    StartupSequence* m_sequence = nullptr;
    QTimer* m_statusTimer = nullptr;
    QTimer* m_emptyRetry = nullptr;
    ChannelStatus m_status;
    QDateTime m_startedAt;
    std::unique_ptr<FleetReports> m_fleet;
};

}
