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

// Under a real X server: mpv draws into a native window, the root window is grabbed.
TEST(PictureWatchOnX, RealClipsAreToldBlackFrozenOrMovingWhileTheyPlay)
{
    if (QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "needs an X server: ctest runs it under xvfb-run";
    test::TempTree tree;
    const struct {
        const char *clip, *source;
        bool black, frozen;
    } clips[] = {{"moving.mp4", "testsrc=", false, false},
                 {"black.mp4", "color=c=black:", true, false},
                 {"still.mp4", "smptebars=", false, true}};
    for (const auto& c : clips)
        ASSERT_EQ(QProcess::execute("ffmpeg",
                                    {"-v", "error", "-y", "-f", "lavfi", "-i",
                                     QString(c.source) + "size=320x240:rate=25", "-t", "3", tree.path(c.clip)}),
                  0);
    QWidget screen;
    screen.setWindowFlags(Qt::FramelessWindowHint);
    screen.setGeometry(QGuiApplication::primaryScreen()->geometry());
    MpvPlayer player(&screen);
    player.videoWidget()->setGeometry(screen.rect());
    screen.show();
    player.setLoop(true);
    test::FakeClock clock;
    RootWindowGrabber grabber;
    PictureWatch watch(tree.path("screen.jpg"), 400, {grabber, clock, [&] { return player.playbackState(); }, {}, {}});
    int judged = 0;
    QObject::connect(&watch, &PictureWatch::judged, [&] { ++judged; });
    watch.start();
    for (const auto& c : clips) {
        player.clearPlaylist();
        player.insertItem(0, tree.path(c.clip));
        player.play();
        ASSERT_TRUE(QTest::qWaitFor([&] { return player.playbackState().playing; }, 10000)) << c.clip;
        QTest::qWait(300); // the first frame is on screen
        judged = 0;
        // Four grabs: enough for three in a row to show the same still picture.
        ASSERT_TRUE(QTest::qWaitFor([&] { return judged >= 4; }, 15000)) << c.clip;
        EXPECT_EQ(watch.report()->black, c.black) << c.clip;
        EXPECT_EQ(watch.report()->frozen, c.frozen) << c.clip;
    }
    const QImage thumbnail(tree.path("screen.jpg"), "JPEG");
    EXPECT_EQ(thumbnail.width(), 320);
    // The still clip's colour bars are in it: the grab sees the video's own window.
    const QColor middle = thumbnail.pixelColor(thumbnail.width() / 2, thumbnail.height() / 3);
    EXPECT_GT(middle.hsvSaturation(), 100) << "no colour bar but " << middle.name().toStdString();
}
