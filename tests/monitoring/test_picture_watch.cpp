#include "monitoring/picture_watch.h"

#include "monitoring/screen_grab.h"
#include "presentation/mpv_player.h"
#include "support/core_fakes.h"
#include "support/temp_tree.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QWidget>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

using namespace zepril;

namespace {

bool ffmpegClip(const QString& path, const QString& source)
{
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
                 {"-v", "error", "-y", "-f", "lavfi", "-i", source + "size=320x240:rate=25", "-t", "3", "-pix_fmt",
                  "yuv420p", path});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

}

// Under a real X server: mpv draws into a native window, the root window is grabbed.
TEST(PictureWatchOnX, RealClipsAreToldBlackFrozenOrMovingWhileTheyPlay)
{
    test::TempTree tree;
    ASSERT_TRUE(ffmpegClip(tree.path("black.mp4"), "color=c=black:"));
    ASSERT_TRUE(ffmpegClip(tree.path("still.mp4"), "smptebars="));
    ASSERT_TRUE(ffmpegClip(tree.path("moving.mp4"), "testsrc="));

    QWidget screen;
    screen.setWindowFlags(Qt::FramelessWindowHint);
    screen.setGeometry(QGuiApplication::primaryScreen()->geometry());
    screen.setStyleSheet("background: #808080");
    MpvPlayer player(&screen);
    player.videoWidget()->setGeometry(screen.rect());
    screen.show();
    player.setLoop(true);

    test::FakeClock clock;
    RootWindowGrabber grabber;
    PictureWatch watch(tree.path("screen.jpg"), 400,
                       {grabber, clock, [&] { return player.playbackState(); }, [] { return QRect(); }, {}});
    int judged = 0;
    QObject::connect(&watch, &PictureWatch::judged, [&] { ++judged; });
    const struct {
        const char* clip;
        bool black, frozen;
    } expectations[] = {{"moving.mp4", false, false}, {"black.mp4", true, false}, {"still.mp4", false, true}};
    watch.start();
    for (const auto& e : expectations) {
        player.clearPlaylist();
        player.insertItem(0, tree.path(e.clip));
        player.play();
        ASSERT_TRUE(QTest::qWaitFor([&] { return player.playbackState().playing; }, 10000)) << e.clip;
        QTest::qWait(300); // the first frame is on screen
        judged = 0;
        // Four grabs: enough for three in a row to show the same still picture.
        ASSERT_TRUE(QTest::qWaitFor([&] { return judged >= 4; }, 15000)) << e.clip;
        const PictureReport report = watch.report().value();
        EXPECT_EQ(report.black, e.black) << e.clip;
        EXPECT_EQ(report.frozen, e.frozen) << e.clip;
    }
    const QImage thumbnail(tree.path("screen.jpg"), "JPEG");
    EXPECT_LE(thumbnail.width(), 320);
    EXPECT_NEAR(double(thumbnail.height()) / thumbnail.width(), double(screen.height()) / screen.width(), 0.02);
    // The still clip's colour bars are in the thumbnail: the grab sees the video's own window.
    const QColor middle = thumbnail.pixelColor(thumbnail.width() / 2, thumbnail.height() / 3);
    EXPECT_GT(std::max({middle.red(), middle.green(), middle.blue()})
                  - std::min({middle.red(), middle.green(), middle.blue()}),
              60)
        << "a grey, not a colour bar: " << middle.name().toStdString();
}
