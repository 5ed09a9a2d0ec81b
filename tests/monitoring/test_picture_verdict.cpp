#include "monitoring/picture_verdict.h"

#include "monitoring/screen_grab.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace zepril;

namespace {

QImage picture(QColor background, int squareAt = -1)
{
    QImage image(640, 360, QImage::Format_RGB32);
    image.fill(background);
    if (squareAt >= 0) {
        QPainter p(&image);
        p.fillRect(squareAt, 100, 120, 120, Qt::white);
    }
    return verdictThumbnail(image);
}

PlaybackState at(double seconds, bool playing = true, const QString& item = "night/a.mp4")
{
    return {playing, item, seconds};
}

}

TEST(PictureJudge, BlackFrozenAndMovingAreToldApartOnlyWhileAVideoIsSaidToPlay)
{
    struct Step {
        QImage thumbnail;
        PlaybackState playback;
        bool black, frozen;
    };
    const QImage black = picture(Qt::black);
    const QImage grey = picture(QColor(90, 90, 90));
    // A clock's digits or a few noisy pixels do not make a picture move.
    QImage greyWithSpeck = grey;
    greyWithSpeck.setPixel(3, 3, 255);
    const std::vector<std::pair<const char*, std::vector<Step>>> runs {
        {"black while playing; black while paused is what was asked",
         {{black, at(1), true, false},
          {black, at(2), true, false},
          {black, at(3), true, false},
          {black, at(3, false), false, false}}},
        {"the same picture while the position moves: frozen from the third grab",
         {{grey, at(1), false, false},
          {greyWithSpeck, at(2), false, false},
          {grey, at(3), false, true},
          {grey, at(1, true, "night/b.mp4"), false, true},
          {picture(Qt::darkBlue, 10), at(2), false, false}}},
        {"the same picture while the position stands is no frozen video",
         {{grey, at(5), false, false},
          {grey, at(5), false, false},
          {grey, at(5), false, false},
          {grey, at(6, false), false, false},
          {grey, at(7), false, false}}},
        {"a moving picture",
         {{picture(Qt::darkBlue, 0), at(1), false, false},
          {picture(Qt::darkBlue, 200), at(2), false, false},
          {picture(Qt::darkBlue, 400), at(3), false, false},
          {picture(Qt::darkBlue, 0), at(4), false, false}}},
    };
    for (const auto& [name, steps] : runs) {
        PictureJudge judge;
        for (size_t i = 0; i < steps.size(); ++i) {
            const PictureVerdict v = judge.judge(steps[i].thumbnail, steps[i].playback);
            EXPECT_EQ(v.black, steps[i].black) << name << ", grab " << i;
            EXPECT_EQ(v.frozen, steps[i].frozen) << name << ", grab " << i;
        }
    }
}

TEST(ScreenThumbnail, IsAtMost320WideKeepsItsProportionsAndIsAJpeg)
{
    for (const QSize size : {QSize(1920, 1080), QSize(3840, 2160), QSize(1280, 1024), QSize(200, 100)}) {
        QImage screen(size, QImage::Format_RGB32);
        screen.fill(Qt::red);
        const QImage small = screenThumbnail(screen);
        EXPECT_EQ(small.width(), std::min(320, size.width()));
        EXPECT_NEAR(double(small.height()) / small.width(), double(size.height()) / size.width(), 0.01);
        const QImage back = QImage::fromData(jpegBytes(small), "JPEG");
        EXPECT_EQ(back.size(), small.size());
        EXPECT_GT(qRed(back.pixel(5, 5)), 200);
    }
}
