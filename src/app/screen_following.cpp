#include "app/screen_following.h"

#include "app/main_screen.h"
#include "core/timings.h"
#include "presentation/banner_window.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/screen_follower.h"

namespace zepril {

std::unique_ptr<ScreenFollower> followScreen(MainScreen& main, BannerWindow& banner,
                                             std::function<ClockWeatherStrip*()> strip, const Timings& timings)
{
    // Only geometry changes: the player keeps its file and position, and the stacking
    // of the three windows stays what the banner cycle made it.
    return std::make_unique<ScreenFollower>(timings.screenSettleMs, [&main, &banner, strip](QScreen* screen) {
        main.fitScreen(screen);
        banner.layOut(screen);
        if (ClockWeatherStrip* s = strip ? strip() : nullptr)
            s->layOut(screen);
    });
}

}
