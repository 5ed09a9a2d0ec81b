#include "app/main_screen.h"
#include "app/screen_following.h"
#include "core/timings.h"
#include "presentation/banner_window.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/screen_follower.h"
#include "presentation/shell_open.h"
#include "support/fakes.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

using namespace zepril;

namespace {
struct NoShell final : ShellOpener {
    bool open(const QString&) override { return false; }
};

int xrandr(const QStringList& arguments) { return QProcess::execute(QStringLiteral("xrandr"), arguments); }
}

// Run by tools/xorg-dummy-run.sh (see CMakeLists.txt): an X server whose output changes
// mode as a TV's does, or goes dark as one switched off and on again does.
TEST(ScreenFollowing, OnXorgTheWindowsFollowTheScreenAndADarkOutputIsLit)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    NoShell shell;
    MainScreen main({shell, QString(), [] {}, {}});
    test::FakeMediaPlayer player;
    auto* video = new QWidget(&main);
    main.attachPlayer(player, video);
    BannerWindow banner;
    banner.load(resolveBannerSettings("10", "40", "8"));
    banner.setPhraseText(QStringLiteral("BIENVENUE"));
    banner.setPhraseGeometry(banner.referenceGeometry());
    banner.setPhraseLeft(300 * banner.twipsPerPixel());
    test::FakeClock clock;
    ClockWeatherStrip strip(clock, Timings::production());
    strip.load();
    main.show();
    Timings timings;
    timings.screenSettleMs = 300;
    const auto follower = followScreen(main, banner, [&] { return &strip; }, timings);
    EXPECT_TRUE(follower->lightsOutputs());

    // Within two seconds of the change: the main screen and the video cover the screen,
    // the banner (an eighth of its height) runs along its bottom, the strip along its top.
    const auto laidOut = [&] {
        return std::tuple(main.geometry(), video->geometry(), banner.geometry(), strip.geometry().topLeft(),
                          strip.width(), banner.tphraseTxt()->x());
    };
    const auto expected = [](QSize size) {
        const int bannerHeight = qRound(size.height() / 8.0);
        return std::tuple(QRect(QPoint(), size), QRect(QPoint(), size),
                          QRect(0, size.height() - bannerHeight, size.width(), bannerHeight), QPoint(0, 0),
                          size.width(), 300);
    };
    ASSERT_EQ(xrandr({"--output", "DUMMY0", "--mode", "1024x768", "--fb", "1024x768"}), 0);
    (void)QTest::qWaitFor([&] { return laidOut() == expected({1024, 768}); }, 2000);
    EXPECT_EQ(laidOut(), expected({1024, 768}));

    // Switched off: the server shows nothing until asked; the output is lit again at its
    // preferred mode, and the windows follow.
    ASSERT_EQ(xrandr({"--output", "DUMMY0", "--off"}), 0);
    (void)QTest::qWaitFor([&] { return laidOut() == expected({1280, 720}); }, 2000);
    EXPECT_EQ(laidOut(), expected({1280, 720}));
    ASSERT_TRUE(QGuiApplication::primaryScreen());
    EXPECT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1280, 720));
    // The phrase is centred again in the new banner height.
    EXPECT_LE(std::abs(banner.tphraseTxt()->geometry().center().y() - banner.height() / 2), 1);
    // The player was never touched: the video plays on.
    EXPECT_TRUE(player.calls.isEmpty()) << player.calls.join(", ").toStdString();
}
