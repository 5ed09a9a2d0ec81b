#pragma once
// Grabs the screen every few minutes: keeps a small JPEG of it beside status.json
// (replaced in one step) and judges the picture, telling the journal when it turns
// black or frozen and when it is right again.
#include "monitoring/picture_verdict.h"
#include "monitoring/player_snapshot.h"

#include <QObject>
#include <QRect>
#include <QTimer>

#include <functional>
#include <optional>

namespace zepril {

class Clock;
class ScreenGrabber;

struct PictureWatchSeams {
    ScreenGrabber& grabber;
    Clock& clock;
    std::function<PlaybackState()> playback;
    // The part of the screen only the video covers (no banner, no clock strip); an
    // empty rectangle: the whole screen.
    std::function<QRect()> videoArea;
    // True while a grab could delay what the screen is drawing (a banner pass).
    std::function<bool()> busy;
};

class PictureWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureWatch)
public:
    PictureWatch(QString thumbnailPath, int intervalMs, PictureWatchSeams seams, QObject* parent = nullptr);

    void start();
    // One grab now: the thumbnail file, the verdict and its log lines. The full
    // picture, for whoever asked (null when the screen could not be grabbed).
    QImage grabNow();
    const std::optional<PictureReport>& report() const { return m_report; }

    static constexpr int kThumbnailWidth = 320;
    static constexpr int kBusyRetryMs = 2000;
    static constexpr int kMostBusyRetries = 30; // then the grab is made anyway

signals:
    void judged(const PictureReport& report);

private:
    void onTimer();
    void tell(const PictureVerdict& verdict, const PlaybackState& playback);

    QString m_thumbnailPath;
    PictureWatchSeams m;
    QTimer m_timer;
    int m_busyRetries = 0;
    PictureJudge m_judge;
    std::optional<PictureReport> m_report;
    bool m_toldGrabFailure = false;
};

}
