#pragma once
// What the viewer sees, grabbed from the screen. The video is drawn by the media
// player into a native child window, which a grab of the player's own widgets would
// not see; the X root window holds everything the screen shows.
#include <QByteArray>
#include <QImage>

namespace zepril {

class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    // The whole screen; a null image when it cannot be grabbed.
    virtual QImage grab() = 0;
};

// The primary screen through the windowing system (on X, the root window).
class RootWindowGrabber final : public ScreenGrabber {
public:
    QImage grab() override;
};

// At most maxWidth pixels wide, proportions kept; never enlarged.
QImage screenThumbnail(const QImage& screen, int maxWidth = 320);

// JPEG bytes; empty when the image is null.
QByteArray jpegBytes(const QImage& image, int quality = 80);

}
