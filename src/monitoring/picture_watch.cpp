#include "monitoring/picture_watch.h"

#include "core/clock.h"
#include "monitoring/metrics_export.h"
#include "monitoring/monitoring_log.h"
#include "monitoring/screen_grab.h"

namespace zepril {

PictureWatch::PictureWatch(QString thumbnailPath, int intervalMs, PictureWatchSeams seams, QObject* parent)
    : QObject(parent), m_thumbnailPath(std::move(thumbnailPath)), m(std::move(seams))
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &PictureWatch::onTimer);
}

void PictureWatch::start() { m_timer.start(); }

void PictureWatch::onTimer()
{
    if (m.busy && m.busy() && m_busyRetries < kMostBusyRetries) {
        ++m_busyRetries;
        QTimer::singleShot(kBusyRetryMs, this, &PictureWatch::onTimer);
        m_timer.stop(); // the next regular grab counts from this one
        return;
    }
    m_busyRetries = 0;
    grabNow();
    if (!m_timer.isActive())
        m_timer.start();
}

QImage PictureWatch::grabNow()
{
    const PlaybackState playback = m.playback ? m.playback() : PlaybackState{};
    const QImage screen = m.grabber.grab();
    if (screen.isNull()) {
        if (!m_toldGrabFailure)
            qCWarning(lcMonitoring) << "the screen could not be grabbed: no thumbnail and no picture check";
        m_toldGrabFailure = true;
        return screen;
    }
    m_toldGrabFailure = false;
    QString error;
    if (!replaceFile(m_thumbnailPath, jpegBytes(screenThumbnail(screen, kThumbnailWidth)), error))
        qCWarning(lcMonitoring).noquote() << "thumbnail" << m_thumbnailPath << "not written:" << error;
    const QRect area = m.videoArea ? m.videoArea().intersected(screen.rect()) : QRect();
    const QImage videoPart = verdictThumbnail(area.isEmpty() ? screen : screen.copy(area));
    const PictureVerdict verdict = m_judge.judge(videoPart, playback);
    tell(verdict, playback);
    m_report = PictureReport{m.clock.now(), verdict.black, verdict.frozen};
    emit judged(*m_report);
    return screen;
}

void PictureWatch::tell(const PictureVerdict& verdict, const PlaybackState& playback)
{
    const bool wasBlack = m_report && m_report->black;
    const bool wasFrozen = m_report && m_report->frozen;
    if (verdict.black && !wasBlack)
        qCWarning(lcMonitoring).noquote() << "the screen is black while" << playback.item << "is said to play";
    if (verdict.frozen && !wasFrozen)
        qCWarning(lcMonitoring).noquote() << "the picture is frozen: the same for" << verdict.sameGrabs << "grabs while"
                                          << playback.item << "moves on";
    if ((wasBlack && !verdict.black) || (wasFrozen && !verdict.frozen))
        qCInfo(lcMonitoring).noquote() << "the picture moves again, playing" << playback.item;
}

}
