#include "presentation/strip_window.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace zepril {

Qt::WindowFlags stripWindowFlags()
{
    return Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
        | Qt::X11BypassWindowManagerHint;
}

int clampedPixels(double pixels)
{
    if (std::isnan(pixels))
        return 0;
    return int(std::round(std::clamp(pixels, double(-QWIDGETSIZE_MAX), double(QWIDGETSIZE_MAX))));
}

int twipsToPixels(double twips, double twipsPerPixel)
{
    return clampedPixels(twips / (twipsPerPixel > 0 ? twipsPerPixel : 15.0));
}

QRect twipsToPixels(const TwipsRect& rect, double twipsPerPixel)
{
    return QRect(twipsToPixels(rect.left, twipsPerPixel), twipsToPixels(rect.top, twipsPerPixel),
                 twipsToPixels(rect.width, twipsPerPixel), twipsToPixels(rect.height, twipsPerPixel));
}

}
