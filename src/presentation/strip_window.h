#pragma once
// What the two strips along the screen's edges (the banner and the clock and weather
// strip) share: how they sit among the windows, and how their twips become pixels.
#include "presentation/banner_layout.h"

#include <QRect>
#include <Qt>

namespace zepril {

// Frameless, above the video, never focused. Bypassing the window manager keeps a
// strip above a focused full-screen window under managers that would otherwise put it
// behind; without a manager it changes nothing.
Qt::WindowFlags stripWindowFlags();

// A pixel count rounded to the nearest whole pixel and clamped to what a widget can
// take, so that no setting or text, however large, can wrap round into a negative size.
int clampedPixels(double pixels);

// A pixel position or length for a twips value, rounded and clamped as above.
int twipsToPixels(double twips, double twipsPerPixel);

// The rectangle in pixels, each of its four values rounded and clamped as above.
QRect twipsToPixels(const TwipsRect& rect, double twipsPerPixel);

}
