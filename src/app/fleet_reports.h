#pragma once
// What the player tells a hotel group's monitoring: the metrics text every minute,
// the screen's thumbnail and its black / frozen checks, and the answers of the local
// socket. Built by the composition root, fed by it, and never in the way of what the
// channel shows or when.
#include "monitoring/metrics_export.h"
#include "monitoring/monitoring_settings.h"
#include "monitoring/player_snapshot.h"
#include "monitoring/run_memory.h"

#include <QRect>
#include <QString>

#include <functional>
#include <memory>

namespace zepril {

class Clock;
class ControlServer;
class MediaPlayer;
class PictureWatch;
class ProgramPaths;
class ScreenGrabber;
class StartupSequence;
struct ChannelStatus;
struct Timings;

struct FleetSources {
    Clock& clock;
    MediaPlayer& player;
    std::function<void()> writeStatus;      // the status file and the metrics, brought up to date
    std::function<QByteArray()> statusJson; // the status as the file holds it
    std::function<QRect()> videoArea;       // the screen's part that only the video covers
    std::function<bool()> busy;             // a grab now could delay what is drawn
};

class FleetReports final {
public:
    FleetReports(const ProgramPaths& paths, const Timings& timings, FleetSources sources);
    ~FleetReports();

    void countItemPlayed() { ++m_itemsPlayed; }
    void countBannerPass() { ++m_bannerPasses; }
    // The start-up is over: the synchronization's outcome is known and the grabs begin.
    // A quick restart from disk synchronized nothing: it says so rather than "incomplete".
    void startupDone(const StartupSequence& sequence, const QDateTime& now, bool fromDisk);

    PlayerSnapshot snapshot(const ChannelStatus& status, const StartupSequence& sequence) const;
    // Writes the metrics of this snapshot to the tree and the collector.
    void write(const PlayerSnapshot& snapshot);

private:
    QString m_root;
    QString m_memoryFile;
    MonitoringSettings m_settings;
    RunMemory m_memory;
    MetricsExport m_export;
    QByteArray m_lastMetrics;
    qint64 m_itemsPlayed = 0;
    qint64 m_bannerPasses = 0;
    QString m_syncOutcome;
    int m_grabMs = 0;
    FleetSources m_sources;
    std::unique_ptr<ScreenGrabber> m_grabber;
    std::unique_ptr<PictureWatch> m_pictures;
    std::unique_ptr<ControlServer> m_control;
};

}
