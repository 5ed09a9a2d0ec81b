#include "weather/pictograms.h"

#include "core/logging.h"

#include <mutex>

// Resources compiled into a static library are only registered when something refers
// to their initialiser; the macro must be used outside any namespace.
static void registerPictogramResource() { Q_INIT_RESOURCE(pictograms); }

namespace zepril {

namespace {

void ensureResource()
{
    static std::once_flag once;
    std::call_once(once, registerPictogramResource);
}

}

QString stockPictogramPath(int index)
{
    if (index < 0 || index >= kPictogramCount)
        return {};
    return QStringLiteral(":/weather/pictograms/m%1.png").arg(index);
}

QImage stockPictogramImage(int index)
{
    const QString path = stockPictogramPath(index);
    if (path.isEmpty()) {
        qCWarning(lcWeather) << "no stock pictogram" << index;
        return {};
    }
    ensureResource();
    QImage image(path);
    if (image.isNull())
        qCWarning(lcWeather) << "stock pictogram" << path << "cannot be read";
    return image;
}

QPixmap stockPictogram(int index)
{
    const QImage image = stockPictogramImage(index);
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

}
