#include "monitoring/screen_grab.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace zepril {

QImage RootWindowGrabber::grab()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0).toImage() : QImage();
}

QImage screenThumbnail(const QImage& screen, int maxWidth)
{
    if (screen.isNull() || screen.width() <= maxWidth)
        return screen;
    // Halving by picking first is cheap and loses nothing a 320-pixel picture keeps.
    QImage image = screen;
    while (image.width() >= 4 * maxWidth)
        image = image.scaled(image.width() / 2, image.height() / 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return image.scaledToWidth(maxWidth, Qt::SmoothTransformation);
}

QByteArray jpegBytes(const QImage& image, int quality)
{
    if (image.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return bytes;
}

}
