#include "presentation/server_picture_strip.h"

#include "core/logging.h"

#include <QGuiApplication>
#include <QPaintEvent>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace zepril {

namespace {
xcb_connection_t* xcb(void* connection) { return static_cast<xcb_connection_t*>(connection); }

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

// Whether pixels of `depth` on this server are what QImage::Format_RGB32 holds in
// memory: 32 bits each, least significant byte first, red, green and blue in the
// bytes a TrueColor visual with those masks reads.
bool takesRgb32(xcb_connection_t* c, xcb_window_t window, quint8 depth)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || depth != 24)
        return false;
    bool thirtyTwoBits = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == depth)
            thirtyTwoBits = f.data->bits_per_pixel == 32;
    ReplyPtr<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr), &std::free);
    if (!thirtyTwoBits || !attributes)
        return false;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s))
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d))
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == attributes->visual)
                    return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xff0000
                           && v.data->green_mask == 0xff00 && v.data->blue_mask == 0xff;
    return false;
}
}

ServerPictureStrip* ServerPictureStrip::create(QWidget* parent)
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || parent->devicePixelRatioF() != 1)
        return nullptr;
    auto strip = std::unique_ptr<ServerPictureStrip>(new ServerPictureStrip(parent, x11->connection()));
    xcb_connection_t* c = xcb(strip->m_connection);
    strip->m_window = quint32(strip->winId());
    ReplyPtr<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, strip->m_window), nullptr),
                                                &std::free);
    if (!geometry || !takesRgb32(c, strip->m_window, geometry->depth)) {
        qCInfo(lcBanner) << "the X server's pixels are not 32-bit RGB; the banner is drawn by the client";
        return nullptr;
    }
    strip->m_depth = geometry->depth;
    strip->m_gc = xcb_generate_id(c);
    // Copies from a picture never make the server send exposure events back.
    const uint32_t noExposures = 0;
    xcb_create_gc(c, strip->m_gc, strip->m_window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    // What an exposure reveals is drawn by the strip itself; the server leaves it as it was.
    const uint32_t noBackground = XCB_BACK_PIXMAP_NONE;
    xcb_change_window_attributes(c, strip->m_window, XCB_CW_BACK_PIXMAP, &noBackground);
    return strip.release();
}

ServerPictureStrip::ServerPictureStrip(QWidget* parent, void* connection) : QWidget(parent), m_connection(connection)
{
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

ServerPictureStrip::~ServerPictureStrip()
{
    forgetAll();
    if (m_gc)
        xcb_free_gc(xcb(m_connection), m_gc);
    xcb_flush(xcb(m_connection));
}

void ServerPictureStrip::upload(quint32 drawable, const QImage& image, const QPoint& to)
{
    xcb_connection_t* c = xcb(m_connection);
    const QImage pixels = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied
                              ? image
                              : image.convertToFormat(QImage::Format_RGB32);
    const uint32_t rowBytes = uint32_t(pixels.bytesPerLine());
    // A request has a size limit; a tall or wide picture goes in bands of rows.
    const uint32_t limit = xcb_get_maximum_request_length(c) * 4 - 64;
    const int rowsPerBand = std::max(1, int(limit / rowBytes));
    for (int y = 0; y < pixels.height(); y += rowsPerBand) {
        const int rows = std::min(rowsPerBand, pixels.height() - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, m_gc, uint16_t(pixels.width()), uint16_t(rows),
                      int16_t(to.x()), int16_t(to.y() + y), 0, m_depth, rows * rowBytes, pixels.constScanLine(y));
    }
}

void ServerPictureStrip::keep(qint64 key, const QImage& image)
{
    forget(key);
    if (image.isNull())
        return;
    xcb_connection_t* c = xcb(m_connection);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, m_depth, pixmap, m_window, uint16_t(image.width()), uint16_t(image.height()));
    upload(pixmap, image, QPoint());
    m_pictures.insert(key, pixmap);
}

void ServerPictureStrip::forget(qint64 key)
{
    if (const auto found = m_pictures.constFind(key); found != m_pictures.cend()) {
        xcb_free_pixmap(xcb(m_connection), *found);
        m_pictures.erase(found);
    }
}

void ServerPictureStrip::forgetAll()
{
    for (const quint32 pixmap : std::as_const(m_pictures))
        xcb_free_pixmap(xcb(m_connection), pixmap);
    m_pictures.clear();
}

void ServerPictureStrip::copy(qint64 key, const QRect& source, const QPoint& to)
{
    const auto found = m_pictures.constFind(key);
    if (found == m_pictures.cend() || source.isEmpty())
        return;
    xcb_copy_area(xcb(m_connection), *found, m_window, m_gc, int16_t(source.x()), int16_t(source.y()),
                  int16_t(to.x()), int16_t(to.y()), uint16_t(source.width()), uint16_t(source.height()));
}

void ServerPictureStrip::put(const QImage& image, const QPoint& to)
{
    if (!image.isNull())
        upload(m_window, image, to);
}

void ServerPictureStrip::flush()
{
    xcb_flush(xcb(m_connection));
}

void ServerPictureStrip::paintEvent(QPaintEvent*)
{
    if (m_redraw)
        m_redraw();
}

}
