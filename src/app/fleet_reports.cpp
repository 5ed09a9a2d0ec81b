#include "app/fleet_reports.h"

#include "app/startup_sequence.h"
#include "core/boot_id.h"
#include "core/file_helpers.h"
#include "core/program_paths.h"
#include "core/timings.h"
#include "monitoring/control_socket.h"
#include "monitoring/folder_usage.h"
#include "monitoring/monitoring_log.h"
#include "monitoring/picture_watch.h"
#include "monitoring/prometheus_text.h"
#include "monitoring/screen_grab.h"
#include "presentation/media_player.h"
#include "system/status_file.h"

#include <QFileInfo>

#include <algorithm>

namespace zepril {

FleetReports::FleetReports(const ProgramPaths& paths, const Timings& timings, FleetSources sources)
    : m_root(paths.root()),
      m_memoryFile(joinPath(paths.root(), QStringLiteral("monitoring.json"))),
      m_settings(readMonitoringSettings(paths.configIni())),
      m_memory(countStart(readRunMemory(m_memoryFile), currentBootId())),
      m_export(joinPath(paths.root(), QLatin1String(kTreeMetricsName)), m_settings.textfileDir),
      m_sources(std::move(sources)),
      m_grabber(std::make_unique<RootWindowGrabber>())
{
    writeRunMemory(m_memoryFile, m_memory);
    if (m_memory.startsThisBoot > 1)
        qCInfo(lcMonitoring) << "start number" << m_memory.startsThisBoot << "since the machine booted";

    m_grabMs = m_settings.grabMinutes ? *m_settings.grabMinutes * 60000 : timings.screenGrabMs;
    MediaPlayer& player = m_sources.player;
    m_pictures = std::make_unique<PictureWatch>(joinPath(m_root, QStringLiteral("screen.jpg")), std::max(1, m_grabMs),
                                                PictureWatchSeams{*m_grabber, m_sources.clock,
                                                                  [&player] { return player.playbackState(); },
                                                                  m_sources.videoArea, m_sources.busy});

    m_control = std::make_unique<ControlServer>(joinPath(m_root, QLatin1String(kControlSocketName)));
    m_control->setHandler(QStringLiteral("status"), [this](QString&) -> std::optional<QByteArray> {
        m_sources.writeStatus();
        return m_sources.statusJson();
    });
    m_control->setHandler(QStringLiteral("metrics"), [this](QString&) -> std::optional<QByteArray> {
        m_sources.writeStatus();
        return m_lastMetrics;
    });
    m_control->setHandler(QStringLiteral("screenshot"), [this](QString& error) -> std::optional<QByteArray> {
        const QImage screen = m_pictures->grabNow();
        if (screen.isNull()) {
            error = QStringLiteral("the screen could not be grabbed");
            return std::nullopt;
        }
        return jpegBytes(screen, 85);
    });
    m_control->listen();
}

FleetReports::~FleetReports() = default;

void FleetReports::startupDone(const StartupSequence& sequence, const QDateTime& now, bool fromDisk)
{
    if (m_grabMs > 0) {
        m_pictures->start();
        qCInfo(lcMonitoring) << "the screen is grabbed every" << m_grabMs / 1000 << "s";
    } else {
        qCInfo(lcMonitoring) << "[Supervision] capture_minutes=0: the screen is not grabbed";
    }
    if (sequence.manualMode() || fromDisk) {
        m_syncOutcome = sequence.manualMode() ? QStringLiteral("manual") : QStringLiteral("from_disk");
        return;
    }
    const auto& fetched = sequence.serverListFetched();
    const bool complete =
        std::all_of(fetched.begin(), fetched.end(), [](bool f) { return f; }) && sequence.failedDownloads().isEmpty();
    m_syncOutcome = complete ? QStringLiteral("synced") : QStringLiteral("incomplete");
    if (complete) {
        m_memory.lastSuccessfulSync = now;
        writeRunMemory(m_memoryFile, m_memory);
    }
}

PlayerSnapshot FleetReports::snapshot(const ChannelStatus& status, const StartupSequence& sequence) const
{
    const ProgramPaths paths(m_root);
    PlayerSnapshot s;
    s.now = status.written;
    s.version = status.version;
    s.state = status.state;
    s.currentItem = status.currentItem;
    s.itemsPlayed = m_itemsPlayed;
    s.playlistSize = status.playlistSize;
    // The texts file is replaced only by a fetch that succeeded, at start-up or later;
    // an empty one may be what a failure left where there was none.
    const QFileInfo texts(paths.textesIni());
    if (texts.exists() && texts.size() > 0)
        s.textsLastSuccess = texts.lastModified();
    s.textsLastRefresh = status.lastTextsRefresh;
    s.textsOutcome = status.lastTextsOutcome;
    s.syncLast = status.lastSync;
    s.syncLastSuccess = m_memory.lastSuccessfulSync;
    s.syncOutcome = m_syncOutcome;
    s.failedDownloads = int(status.lastSyncFailed.size());
    s.categories = categoryUsage(paths.videoRoot(sequence.videoFolder()));
    if (!m_syncOutcome.isEmpty() && !sequence.manualMode())
        for (size_t i = 0; i < sequence.serverListFetched().size(); ++i)
            s.categories[qsizetype(i)].listFetched = sequence.serverListFetched()[i];
    const FilesystemSpace space = filesystemSpace(m_root);
    s.filesystemFreeBytes = space.freeBytes;
    s.filesystemSizeBytes = space.sizeBytes;
    s.bannerPasses = m_bannerPasses;
    s.uptimeSeconds = status.uptimeSeconds;
    s.restartsThisBoot = std::max(0, m_memory.startsThisBoot - 1);
    s.picture = m_pictures->report();
    return s;
}

void FleetReports::write(const PlayerSnapshot& snapshot)
{
    m_lastMetrics = prometheusText(snapshot);
    m_export.write(m_lastMetrics);
}

}
