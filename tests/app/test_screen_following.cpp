#include "app/main_screen.h"
#include "app/screen_following.h"
#include "core/timings.h"
#include "presentation/banner_window.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/mpv_player.h"
#include "presentation/screen_follower.h"
#include "presentation/shell_open.h"
#include "support/core_fakes.h"
#include "support/temp_tree.h"

#include <QProcess>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

using namespace zepril;

// Run by tools/xorg-dummy-run.sh (see CMakeLists.txt): an X server whose output changes
// mode as a TV's does, or goes dark as one switched off and on again does.
TEST(ScreenFollowing, OnXorgTheWindowsFollowTheScreenAndADarkOutputIsLit)
{
    DesktopShellOpener shell; // never asked
    MainScreen main({shell, QString(), [] {}, {}});
    test::TempTree tree;
    ASSERT_TRUE(test::makeVideo(tree.path("a.mp4")));
    MpvPlayer player(&main);
    QWidget* video = player.videoWidget();
    main.attachPlayer(player, video);
    int started = 0;
    QObject::connect(&player, &MpvPlayer::fileStarted, [&] { ++started; });
    player.setLoop(true), player.insertItem(0, tree.path("a.mp4")), player.play();
    BannerWindow banner;
    banner.load(resolveBannerSettings("10", "40", "8"));
    banner.setPhraseText(QStringLiteral("BIENVENUE"));
    banner.setPhraseGeometry(banner.referenceGeometry());
    banner.setPhraseLeft(300 * banner.twipsPerPixel());
    test::FakeClock clock;
    ClockWeatherStrip strip(clock, Timings::production());
    strip.load();
    main.show();
    const auto follower = followScreen(main, banner, [&] { return &strip; }, Timings::production());
    EXPECT_TRUE(follower->lightsOutputs());

    // Within two seconds of a change the main screen and the video cover the screen, the
    // banner (an eighth of its height) runs along its bottom with the phrase where it
    // was, centred again, and the strip runs along its top.
    const auto laidOut = [&, box = banner.phraseBox()] {
        return std::tuple(main.geometry(), video->geometry(), banner.geometry(), strip.geometry().topLeft(),
                          strip.width(), box->x(), std::abs(box->geometry().center().y() - banner.height() / 2) <= 1);
    };
    const auto on = [](int width, int height) {
        const int bannerHeight = qRound(height / 8.0);
        return std::tuple(QRect(0, 0, width, height), QRect(0, 0, width, height),
                          QRect(0, height - bannerHeight, width, bannerHeight), QPoint(0, 0), width, 300, true);
    };
    // The first item under way, so that what follows is a change under a playing video
    // (an item that starts just as the mode changes may fail to open, and is skipped).
    ASSERT_TRUE(QTest::qWaitFor([&] { return started > 0; }, 5000));
    // A new mode; then switched off, the output is lit again at its preferred mode.
    for (const auto& [xrandr, width, height] :
         {std::tuple(QStringList{"--mode", "1024x768", "--fb", "1024x768"}, 1024, 768),
          std::tuple(QStringList{"--off"}, 1280, 720)}) {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xrandr"), QStringList{"--output", "DUMMY0"} + xrandr), 0);
        (void)QTest::qWaitFor([&, width = width, height = height] { return laidOut() == on(width, height); }, 2000);
        EXPECT_EQ(laidOut(), on(width, height)) << xrandr.join(' ').toStdString();
    }
    // The video plays on: the one-second item comes round again.
    const int before = started;
    EXPECT_TRUE(QTest::qWaitFor([&] { return started > before; }, 3000) && !player.isPaused() && !player.isIdle());
}
