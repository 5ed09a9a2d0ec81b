#pragma once
// The three windows of the channel follow the screen: the main screen covers it, the
// banner runs along its bottom edge and the clock and weather strip along its top,
// laid out again whenever the screen changes while the video plays on.
#include <functional>
#include <memory>

namespace zepril {

class BannerWindow;
class ClockWeatherStrip;
class MainScreen;
class ScreenFollower;
struct Timings;

// `strip` gives the clock and weather strip once it exists (null before: its load
// lays it out on the screen of that moment).
std::unique_ptr<ScreenFollower> followScreen(MainScreen& main, BannerWindow& banner,
                                             std::function<ClockWeatherStrip*()> strip, const Timings& timings);

}
