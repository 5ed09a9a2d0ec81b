#include "presentation/banner_window.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/strip_window.h"
#include "support/fakes.h"

#include "core/timings.h"

#include <gtest/gtest.h>

#include <limits>

using namespace zepril;

TEST(StripWindow, BothStripsStayOnTopWithoutFocusAndTwipsNeverWrapRound)
{
    test::FakeClock clock;
    BannerWindow banner;
    ClockWeatherStrip strip(clock, Timings::production());
    const auto kiosk = Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint;
    for (const QWidget* window : {static_cast<QWidget*>(&banner), static_cast<QWidget*>(&strip)}) {
        EXPECT_EQ(window->windowFlags() & kiosk, kiosk);
        EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    }

    EXPECT_EQ(twipsToPixels(TwipsRect{300, 1290, 19200, 7.4}, 15), QRect(20, 86, 1280, 0));
    EXPECT_EQ(twipsToPixels(-22.6, 15), -2);
    // A width far beyond any screen stays a large positive size, never a negative one.
    EXPECT_EQ(twipsToPixels(1e12, 15), QWIDGETSIZE_MAX);
    EXPECT_EQ(twipsToPixels(-1e12, 15), -QWIDGETSIZE_MAX);
    EXPECT_EQ(twipsToPixels(std::numeric_limits<double>::infinity(), 15), QWIDGETSIZE_MAX);
    EXPECT_EQ(twipsToPixels(std::numeric_limits<double>::quiet_NaN(), 15), 0);
}
