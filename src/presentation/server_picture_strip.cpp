#include "presentation/server_picture_strip.h"

#include "core/clock.h"
#include "core/logging.h"

#include <QGuiApplication>
#include <QPaintEvent>

#include <xcb/sync.h>
#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace zepril {

namespace {
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

// A connection of the strip's own to the display Qt uses: the one on which `window`
// has the place and depth Qt's connection sees; null when there is none.
xcb_connection_t* connectionSeeing(xcb_window_t window, const xcb_get_geometry_reply_t& seen)
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (!xcb_connection_has_error(c)) {
        ReplyPtr<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr),
                                                    &std::free);
        if (geometry && geometry->root == seen.root && geometry->depth == seen.depth && geometry->width == seen.width
            && geometry->height == seen.height)
            return c;
    }
    xcb_disconnect(c);
    return nullptr;
}

// How far the server's counter of milliseconds is ahead of `clock` (measured, so the
// two clocks need not share an origin).
std::optional<qint64> offsetFrom(xcb_connection_t* c, quint32 counter, const Clock& clock)
{
    const double before = clock.steadyMs();
    ReplyPtr<xcb_sync_query_counter_reply_t> value(
        xcb_sync_query_counter_reply(c, xcb_sync_query_counter(c, counter), nullptr), &std::free);
    const double after = clock.steadyMs();
    if (!value)
        return std::nullopt;
    const qint64 server = qint64(value->counter_value.hi) * (qint64(1) << 32) + qint64(value->counter_value.lo);
    return server - std::llround((before + after) / 2);
}

// The server's counter of milliseconds and how far it is ahead of `clock`; nothing
// when the server cannot wait on it.
std::optional<qint64> serverClockOffset(xcb_connection_t* c, quint32& counter, const Clock& clock)
{
    const xcb_query_extension_reply_t* sync = xcb_get_extension_data(c, &xcb_sync_id);
    if (!sync || !sync->present)
        return std::nullopt;
    ReplyPtr<xcb_sync_initialize_reply_t> version(
        xcb_sync_initialize_reply(c, xcb_sync_initialize(c, XCB_SYNC_MAJOR_VERSION, XCB_SYNC_MINOR_VERSION), nullptr),
        &std::free);
    ReplyPtr<xcb_sync_list_system_counters_reply_t> list(
        xcb_sync_list_system_counters_reply(c, xcb_sync_list_system_counters(c), nullptr), &std::free);
    if (!version || !list)
        return std::nullopt;
    // Read by hand: the generated accessors misplace every name after the first (its
    // padding is counted from the wrong place).
    const auto* at = reinterpret_cast<const uint8_t*>(list.get() + 1);
    const auto* end = reinterpret_cast<const uint8_t*>(list.get()) + 32 + size_t(list->length) * 4;
    counter = 0;
    for (uint32_t i = 0; i < list->counters_len && at + 14 <= end; ++i) {
        uint32_t id = 0;
        uint16_t nameLength = 0;
        std::memcpy(&id, at, 4);
        std::memcpy(&nameLength, at + 12, 2);
        const QByteArray name(reinterpret_cast<const char*>(at) + 14, at + 14 + nameLength <= end ? nameLength : 0);
        if (name == "SERVERTIME")
            counter = id;
        at += (14 + nameLength + 3) & ~3u;
    }
    if (!counter)
        return std::nullopt;
    return offsetFrom(c, counter, clock);
}

// How often the server's clock is read again while drawing ahead, and how far it may
// have moved against ours before drawings handed over would show visibly off time.
constexpr double kClockCheckEveryMs = 10000;
constexpr qint64 kClockDriftLimitMs = 100;
}

ServerPictureStrip* ServerPictureStrip::create(QWidget* parent, const Clock* clock)
{
    static const SystemClock systemClock;
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || parent->devicePixelRatioF() != 1)
        return nullptr;
    auto strip = std::unique_ptr<ServerPictureStrip>(new ServerPictureStrip(parent, clock ? *clock : systemClock));
    auto* qt = static_cast<xcb_connection_t*>(x11->connection());
    strip->m_window = quint32(strip->winId());
    // A round trip: from here on the window exists for every connection to the server.
    ReplyPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(qt, xcb_get_geometry(qt, strip->m_window), nullptr), &std::free);
    if (!geometry || !takesRgb32(qt, strip->m_window, geometry->depth)) {
        qCInfo(lcBanner) << "the X server's pixels are not 32-bit RGB; the banner is drawn by the client";
        return nullptr;
    }
    strip->m_depth = geometry->depth;
    strip->m_uploads = qt;
    strip->m_draws = qt;
    if (xcb_connection_t* own = connectionSeeing(strip->m_window, *geometry)) {
        strip->m_serverClockOffsetMs = serverClockOffset(own, strip->m_serverClock, strip->m_clock);
        // Qt's connection reads the clock again later, while the strip's own may be held.
        if (strip->m_serverClockOffsetMs && offsetFrom(qt, strip->m_serverClock, strip->m_clock)) {
            strip->m_draws = own;
            strip->m_clockCheckedAtMs = strip->m_clock.steadyMs();
        } else {
            strip->m_serverClockOffsetMs.reset();
            xcb_disconnect(own);
        }
    }
    if (strip->drawsAhead())
        qCInfo(lcBanner) << "the X server is handed the strip's drawings ahead of time; its clock is"
                         << *strip->m_serverClockOffsetMs << "ms ahead of ours";
    else
        qCInfo(lcBanner) << "the X server cannot wait on its clock; the strip is drawn when due";
    // Copies from a picture never make the server send exposure events back.
    const auto makeGc = [&](xcb_connection_t* connection) {
        const xcb_gcontext_t gc = xcb_generate_id(connection);
        const uint32_t noExposures = 0;
        xcb_create_gc(connection, gc, strip->m_window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
        return gc;
    };
    strip->m_uploadGc = makeGc(strip->m_uploads);
    strip->m_drawGc = strip->m_draws == strip->m_uploads ? strip->m_uploadGc : makeGc(strip->m_draws);
    // What an exposure reveals is drawn by the strip itself; the server leaves it as it was.
    const uint32_t noBackground = XCB_BACK_PIXMAP_NONE;
    xcb_change_window_attributes(qt, strip->m_window, XCB_CW_BACK_PIXMAP, &noBackground);
    return strip.release();
}

ServerPictureStrip::ServerPictureStrip(QWidget* parent, const Clock& clock) : QWidget(parent), m_clock(clock)
{
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

ServerPictureStrip::~ServerPictureStrip()
{
    if (!m_uploads)
        return;
    // Drawings still waiting and the connection's own graphics context go with it; nothing
    // can copy from the pictures after.
    if (m_draws != m_uploads)
        xcb_disconnect(m_draws);
    m_draws = m_uploads;
    forgetAll();
    xcb_free_gc(m_uploads, m_uploadGc);
    xcb_flush(m_uploads);
}

void ServerPictureStrip::upload(quint32 drawable, const QImage& image, const QPoint& to, xcb_connection_t* c,
                                quint32 gc)
{
    const QImage pixels =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied
        ? image
        : image.convertToFormat(QImage::Format_RGB32);
    const uint32_t rowBytes = uint32_t(pixels.bytesPerLine());
    // A request has a size limit; a tall or wide picture goes in bands of rows.
    const uint32_t limit = xcb_get_maximum_request_length(c) * 4 - 64;
    const int rowsPerBand = std::max(1, int(limit / rowBytes));
    for (int y = 0; y < pixels.height(); y += rowsPerBand) {
        const int rows = std::min(rowsPerBand, pixels.height() - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, gc, uint16_t(pixels.width()), uint16_t(rows),
                      int16_t(to.x()), int16_t(to.y() + y), 0, m_depth, rows * rowBytes, pixels.constScanLine(y));
    }
}

void ServerPictureStrip::keep(qint64 key, const QImage& image)
{
    forget(key);
    if (image.isNull())
        return;
    // Pictures go up on Qt's connection, which never waits: on the strip's own, a
    // picture sent while drawings wait there would hold the caller until they are done.
    xcb_connection_t* c = m_uploads;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, m_depth, pixmap, m_window, uint16_t(image.width()), uint16_t(image.height()));
    upload(pixmap, image, QPoint(), m_uploads, m_uploadGc);
    m_pictures.insert(key, pixmap);
    m_uploaded = true;
}

void ServerPictureStrip::forget(qint64 key)
{
    // Freed on the drawing connection, after the drawings that still copy from it.
    if (const auto found = m_pictures.constFind(key); found != m_pictures.cend()) {
        xcb_free_pixmap(m_draws, *found);
        m_pictures.erase(found);
    }
}

void ServerPictureStrip::forgetAll()
{
    for (const quint32 pixmap : std::as_const(m_pictures))
        xcb_free_pixmap(m_draws, pixmap);
    m_pictures.clear();
}

void ServerPictureStrip::copy(qint64 key, const QRect& source, const QPoint& to)
{
    const auto found = m_pictures.constFind(key);
    if (found == m_pictures.cend() || source.isEmpty())
        return;
    if (m_uploaded && m_draws != m_uploads) {
        // The server has what went up on the other connection once it answers there.
        xcb_connection_t* c = m_uploads;
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    m_uploaded = false;
    xcb_copy_area(m_draws, *found, m_window, m_drawGc, int16_t(source.x()), int16_t(source.y()), int16_t(to.x()),
                  int16_t(to.y()), uint16_t(source.width()), uint16_t(source.height()));
}

void ServerPictureStrip::put(const QImage& image, const QPoint& to)
{
    if (!image.isNull())
        upload(m_window, image, to, m_draws, m_drawGc);
}

void ServerPictureStrip::flush()
{
    xcb_connection_t* c = m_draws;
    xcb_flush(c);
    if (m_draws == m_uploads)
        return; // Qt reads its own connection
    // Only errors come on the strip's own connection; read so that the server's buffer never fills.
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
        if (event->response_type == 0 && !m_errorSeen) {
            m_errorSeen = true;
            qCWarning(lcBanner) << "the X server refused a drawing of the strip: error"
                                << reinterpret_cast<xcb_generic_error_t*>(event)->error_code << "(logged once)";
        }
        std::free(event);
    }
    if (xcb_connection_has_error(c) && !m_errorSeen) {
        m_errorSeen = true;
        qCWarning(lcBanner) << "the strip's connection to the X server is broken";
    }
}

bool ServerPictureStrip::serverClockKeepsPace()
{
    const double now = m_clock.steadyMs();
    if (now - m_clockCheckedAtMs < kClockCheckEveryMs)
        return true;
    m_clockCheckedAtMs = now;
    const std::optional<qint64> offset = offsetFrom(m_uploads, m_serverClock, m_clock);
    if (offset && std::abs(*offset - *m_serverClockOffsetMs) <= kClockDriftLimitMs)
        return true;
    const QString off = offset ? QString::number(*offset - *m_serverClockOffsetMs) + QStringLiteral(" ms off")
                               : QStringLiteral("unreadable");
    qCWarning(lcBanner).nospace().noquote() << "the X server's clock no longer keeps pace with ours (" << off
                                            << "); the strip is drawn when due from now on";
    // No flush: the server may not read this connection for a long time, and the thread
    // must not wait for it. What it already has is carried out when due; what it has not
    // is dropped (at most the frees of a few tiles, once).
    xcb_disconnect(m_draws);
    m_draws = m_uploads;
    m_drawGc = m_uploadGc;
    m_uploaded = false;
    m_serverClockOffsetMs.reset();
    m_waitsUntilMs = 0;
    return false;
}

void ServerPictureStrip::waitUntil(double dueMs)
{
    if (!drawsAhead() || !serverClockKeepsPace())
        return;
    const qint64 at = std::llround(dueMs) + *m_serverClockOffsetMs;
    xcb_sync_waitcondition_t condition{};
    condition.trigger.counter = m_serverClock;
    condition.trigger.wait_type = XCB_SYNC_VALUETYPE_ABSOLUTE;
    condition.trigger.wait_value.hi = int32_t(at >> 32);
    condition.trigger.wait_value.lo = uint32_t(at & 0xffffffff);
    condition.trigger.test_type = XCB_SYNC_TESTTYPE_POSITIVE_COMPARISON;
    xcb_sync_await(m_draws, 1, &condition);
    m_waitsUntilMs = std::max(m_waitsUntilMs, dueMs);
}

bool ServerPictureStrip::waiting() const { return m_clock.steadyMs() < m_waitsUntilMs; }

void ServerPictureStrip::finish()
{
    xcb_connection_t* c = m_draws;
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    flush();
}

void ServerPictureStrip::paintEvent(QPaintEvent*)
{
    if (m_redraw)
        m_redraw();
}

}
