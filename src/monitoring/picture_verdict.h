#pragma once
// Whether the picture on the screen is wrong, told from small grayscale thumbnails of
// successive grabs and what the media player says it is doing. Pure functions and a
// small judge that remembers the previous grab; no window, no timer.
#include "presentation/media_player.h"

#include <QImage>

namespace zepril {

// The picture judged: a grayscale thumbnail (a few thousand pixels are plenty).
QImage verdictThumbnail(const QImage& screen, int width = 64);

// The share of pixels darker than `level` (0 to 255).
double darkShare(const QImage& gray, int level = 24);
// The share of pixels that differ by more than `tolerance` levels; 1 when the sizes differ.
double changedShare(const QImage& a, const QImage& b, int tolerance = 12);

struct PictureVerdict {
    bool black = false;
    bool frozen = false;
    int sameGrabs = 1; // grabs in a row that showed this picture while the video moved on
};

class PictureJudge final {
public:
    // frozenAfter: grabs in a row that show the same picture, while the position
    // moves, before the picture is called frozen.
    explicit PictureJudge(int frozenAfter = 3) : m_frozenAfter(frozenAfter) {}

    PictureVerdict judge(const QImage& thumbnail, const PlaybackState& playback);

    static constexpr double kBlackShare = 0.98;    // dark pixels of a black screen
    static constexpr double kChangedShare = 0.005; // changed pixels below which two grabs are the same

private:
    int m_frozenAfter;
    QImage m_previous;
    PlaybackState m_previousPlayback;
    int m_sameGrabs = 1;
};

}
