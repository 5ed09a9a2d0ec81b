#include "app/service_reports.h"

#include "app/startup_sequence.h"
#include "core/clock.h"
#include "core/file_helpers.h"
#include "core/logging.h"
#include "core/tree_check.h"
#include "system/quick_restart.h"
#include "system/service_notifier.h"
#include "system/startup_keep_alive.h"
#include "system/texts_refresh.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <malloc.h>

namespace zepril {

ServiceReports::ServiceReports(ProgramPaths paths, Timings timings, Clock& clock, StartupReporter& startupReporter,
                               QString bootId)
    : m_paths(std::move(paths)),
      m_timings(timings),
      m_clock(clock),
      m_bootId(std::move(bootId)),
      m_notifier(std::make_unique<ServiceNotifier>()),
      m_keepAlive(std::make_unique<StartupKeepAlive>(startupReporter, *m_notifier, timings.startupProgressGraceMs,
                                                     timings.startupProgressNoticeMs))
{}

ServiceReports::~ServiceReports() = default;

void ServiceReports::begin(StartupSequence& sequence, QObject& timerOwner, FleetSources sources,
                           std::function<void()> videosFound)
{
    m_sequence = &sequence;
    m_startedAt = m_clock.now();
    m_status.version = QCoreApplication::applicationVersion();
    m_status.state = QStringLiteral("starting");
    m_notifier->startWatchdog();
    sources.writeStatus = [this] { writeStatus(); };
    sources.statusJson = [this] { return statusJson(m_status); };
    m_fleet = std::make_unique<FleetReports>(m_paths, m_timings, std::move(sources));
    m_statusTimer = new QTimer(&timerOwner);
    m_statusTimer->setObjectName(QStringLiteral("StatusFile"));
    m_statusTimer->setInterval(m_timings.statusWriteMs);
    QObject::connect(m_statusTimer, &QTimer::timeout, &timerOwner, [this] {
        writeStatus();
        // Freed heap pages stay resident until they are trimmed; a player that runs for
        // months hands them back once a minute, so that what it holds follows what it uses.
        malloc_trim(0);
    });
    m_emptyRetry = new QTimer(&timerOwner);
    m_emptyRetry->setObjectName(QStringLiteral("EmptyPlaylistRetry"));
    m_emptyRetry->setInterval(m_timings.emptyPlaylistRetryMs);
    QObject::connect(m_emptyRetry, &QTimer::timeout, &timerOwner, [this, videosFound = std::move(videosFound)] {
        if (m_sequence->composeAgain()) {
            m_emptyRetry->stop();
            qCInfo(lcStartup) << "videos found: the channel plays again with" << m_sequence->playlist().size()
                              << "item(s)";
            videosFound();
        }
        writeStatus();
    });
}

void ServiceReports::itemPlaying(const QString& path)
{
    m_fleet->countItemPlayed();
    m_status.currentItem = QDir(m_paths.videoRoot(m_sequence->videoFolder())).relativeFilePath(path);
    if (m_status.state != QLatin1String("playing")) {
        m_status.state = QStringLiteral("playing");
        // Recorded before READY: whoever reads READY may end the player at once.
        if (!m_bootId.isEmpty())
            writeChannelStart(m_paths, {m_bootId, 0});
        m_notifier->notifyReady(QStringLiteral("playing"));
    }
}

void ServiceReports::stagesDone(bool quick)
{
    if (!m_sequence->manualMode() && !quick)
        m_status.lastSync = m_clock.now();
    m_fleet->startupDone(*m_sequence, m_clock.now(), quick);
}

void ServiceReports::startupDone()
{
    checkSomethingPlays();
    m_statusTimer->start();
    writeStatus();
}

void ServiceReports::checkSomethingPlays()
{
    if (!m_sequence->playlist().isEmpty())
        return;
    // A black screen must not look like a quiet channel to whoever reads the log.
    for (const TreeFinding& f : checkProgramTree(m_paths.root()))
        if (f.severity == TreeFinding::Error)
            qCCritical(lcStartup).noquote() << f.text;
    qCCritical(lcStartup).noquote() << "nothing to play in" << m_paths.videoRoot(m_sequence->videoFolder())
                                    << "- looking again every" << m_timings.emptyPlaylistRetryMs / 1000 << "s";
    m_status.state = QStringLiteral("no video");
    m_notifier->notifyReady(QStringLiteral("no video to play"));
    m_emptyRetry->start();
}

void ServiceReports::textsRefreshed(RefreshOutcome outcome)
{
    m_status.lastTextsRefresh = m_clock.now();
    m_status.lastTextsOutcome = outcome == RefreshOutcome::Refreshed ? QStringLiteral("refreshed")
        : outcome == RefreshOutcome::FetchFailed                     ? QStringLiteral("fetch failed")
                                                                     : QStringLiteral("no connection");
}

void ServiceReports::stopping()
{
    m_status.state = QStringLiteral("stopping");
    writeStatus();
    m_notifier->notifyStopping();
}

QString ServiceReports::startupStatusLine() const { return m_keepAlive->statusLine(); }

void ServiceReports::writeStatus()
{
    const QDateTime now = m_clock.now();
    m_status.playlistSize = int(m_sequence->playlist().size());
    m_status.lastSyncFailed = m_sequence->failedDownloads();
    m_status.nextReboot = nextDailyTime(m_sequence->settings().majvid_heure, now).value_or(QDateTime());
    m_status.uptimeSeconds = m_startedAt.secsTo(now);
    m_status.written = now;
    writeStatusFile(joinPath(m_paths.root(), QStringLiteral("status.json")), m_status);
    m_fleet->write(m_fleet->snapshot(m_status, *m_sequence));
}

}
