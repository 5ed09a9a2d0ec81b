#include "monitoring/picture_verdict.h"

#include <cstdlib>

namespace zepril {

QImage verdictThumbnail(const QImage& screen, int width)
{
    if (screen.isNull())
        return {};
    // Averaging pixels (smooth scaling) keeps a moving picture's change visible in a
    // thumbnail; picking them would let noise decide.
    return screen.scaledToWidth(width, Qt::SmoothTransformation).convertToFormat(QImage::Format_Grayscale8);
}

double darkShare(const QImage& gray, int level)
{
    if (gray.isNull())
        return 0;
    qint64 dark = 0;
    for (int y = 0; y < gray.height(); ++y) {
        const uchar* row = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            dark += row[x] < level;
    }
    return double(dark) / (qint64(gray.width()) * gray.height());
}

double changedShare(const QImage& a, const QImage& b, int tolerance)
{
    if (a.isNull() || a.size() != b.size())
        return 1;
    qint64 changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* ra = a.constScanLine(y);
        const uchar* rb = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x)
            changed += std::abs(int(ra[x]) - int(rb[x])) > tolerance;
    }
    return double(changed) / (qint64(a.width()) * a.height());
}

PictureVerdict PictureJudge::judge(const QImage& thumbnail, const PlaybackState& playback)
{
    PictureVerdict verdict;
    // A paused or idle player shows what it is told to show: nothing to judge.
    const bool moved = playback.playing && m_previousPlayback.playing
        && (playback.item != m_previousPlayback.item
            || (playback.positionSeconds >= 0 && playback.positionSeconds != m_previousPlayback.positionSeconds));
    const bool same = !m_previous.isNull() && changedShare(thumbnail, m_previous) < kChangedShare;
    m_sameGrabs = moved && same ? m_sameGrabs + 1 : 1;
    verdict.sameGrabs = m_sameGrabs;
    verdict.black = playback.playing && darkShare(thumbnail) >= kBlackShare;
    // A black picture that stays black is told as black, not as frozen as well.
    verdict.frozen = !verdict.black && m_sameGrabs >= m_frozenAfter;
    m_previous = thumbnail;
    m_previousPlayback = playback;
    return verdict;
}

}
