#include "monitoring/picture_verdict.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(PictureJudge, BlackFrozenAndMovingAreToldApartOnlyWhileAVideoIsSaidToPlay)
{
    const auto picture = [](int grey, int speckAt = -1) {
        QImage image(640, 360, QImage::Format_RGB32);
        image.fill(QColor(grey, grey, grey));
        if (speckAt >= 0) // a clock's digit: too small to make a picture move
            image.setPixel(speckAt, 3, qRgb(255, 255, 255));
        return verdictThumbnail(image);
    };
    const auto at = [](double seconds, bool playing = true) { return PlaybackState {playing, "night/a.mp4", seconds}; };
    struct Step {
        QImage thumbnail;
        PlaybackState playback;
        bool black, frozen;
    };
    const std::vector<std::pair<const char*, std::vector<Step>>> runs {
        {"black while playing; paused, black is what was asked",
         {{picture(0), at(1), true, false},
          {picture(0), at(2), true, false},
          {picture(0), at(3), true, false},
          {picture(0), at(3, false), false, false}}},
        {"the same picture while the position moves: frozen from the third grab",
         {{picture(90), at(1), false, false},
          {picture(90, 5), at(2), false, false},
          {picture(90), at(3), false, true},
          {picture(90), at(4), false, true},
          {picture(150), at(5), false, false}}},
        {"the same picture while the position stands is no frozen video",
         {{picture(90), at(5), false, false},
          {picture(90), at(5), false, false},
          {picture(90), at(5), false, false},
          {picture(90), at(6, false), false, false},
          {picture(90), at(7), false, false}}},
    };
    for (const auto& [name, steps] : runs) {
        PictureJudge judge;
        for (size_t i = 0; i < steps.size(); ++i) {
            const PictureVerdict v = judge.judge(steps[i].thumbnail, steps[i].playback);
            EXPECT_EQ(std::pair(v.black, v.frozen), std::pair(steps[i].black, steps[i].frozen))
                << name << ", grab " << i;
        }
    }
}
