#include "presentation/x_output_lighter.h"

#include "core/logging.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace zepril {

namespace {
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> owned(Reply* reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}

// The millimetres the server reports for a size in pixels, at 96 dots per inch.
uint32_t millimetres(int pixels) { return uint32_t(pixels * 25.4 / 96 + 0.5); }
}

XOutputLighter* XOutputLighter::create(QObject* parent)
{
    if (!qGuiApp || !qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        return nullptr;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_query_extension_reply_t* randr =
        c && !xcb_connection_has_error(c) ? xcb_get_extension_data(c, &xcb_randr_id) : nullptr;
    auto version = randr && randr->present
        ? owned(xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 2), nullptr))
        : owned<xcb_randr_query_version_reply_t>(nullptr);
    if (!version || (version->major_version == 1 && version->minor_version < 2)) {
        qCInfo(lcPlayer) << "the X server cannot set outputs (no RandR 1.2); outputs that light later are not followed";
        xcb_disconnect(c);
        return nullptr;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_randr_select_input(c, root, XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE | XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE);
    xcb_flush(c);
    return new XOutputLighter(c, root, parent);
}

XOutputLighter::XOutputLighter(xcb_connection_t* connection, quint32 root, QObject* parent)
    : QObject(parent),
      m_connection(connection),
      m_root(root),
      m_notifier(new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &XOutputLighter::readEvents);
}

XOutputLighter::~XOutputLighter()
{
    delete m_notifier;
    xcb_disconnect(m_connection);
}

void XOutputLighter::readEvents()
{
    xcb_connection_t* c = m_connection;
    bool outputsChanged = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
        outputsChanged = outputsChanged || event->response_type != 0;
        std::free(event);
    }
    if (xcb_connection_has_error(c)) {
        qCWarning(lcPlayer) << "the connection that watches the X server's outputs is broken;"
                            << "outputs are no longer lit";
        m_notifier->setEnabled(false);
        return;
    }
    if (outputsChanged)
        lightConnectedOutputs();
}

int XOutputLighter::lightConnectedOutputs()
{
    xcb_connection_t* c = m_connection;
    const auto resources = owned(
        xcb_randr_get_screen_resources_current_reply(c, xcb_randr_get_screen_resources_current(c, m_root), nullptr));
    if (!resources)
        return 0;
    const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(resources.get());
    const xcb_randr_mode_info_t* modes = xcb_randr_get_screen_resources_current_modes(resources.get());
    const int modeCount = xcb_randr_get_screen_resources_current_modes_length(resources.get());
    int lit = 0;
    for (int i = 0; i < xcb_randr_get_screen_resources_current_outputs_length(resources.get()); ++i) {
        const auto output = owned(xcb_randr_get_output_info_reply(
            c, xcb_randr_get_output_info(c, outputs[i], resources->config_timestamp), nullptr));
        if (!output || output->connection != XCB_RANDR_CONNECTION_CONNECTED || output->crtc != XCB_NONE
            || output->num_modes == 0)
            continue;
        const std::string name(reinterpret_cast<const char*>(xcb_randr_get_output_info_name(output.get())),
                               size_t(xcb_randr_get_output_info_name_length(output.get())));
        // The preferred modes come first; without one, the first the server lists.
        const xcb_randr_mode_t wanted = xcb_randr_get_output_info_modes(output.get())[0];
        const xcb_randr_mode_info_t* mode =
            std::find_if(modes, modes + modeCount, [&](const auto& m) { return m.id == wanted; });
        if (mode == modes + modeCount)
            continue;
        // A display controller this output can use that drives nothing yet.
        xcb_randr_crtc_t free = XCB_NONE;
        const xcb_randr_crtc_t* crtcs = xcb_randr_get_output_info_crtcs(output.get());
        for (int k = 0; k < output->num_crtcs && free == XCB_NONE; ++k) {
            const auto crtc = owned(xcb_randr_get_crtc_info_reply(
                c, xcb_randr_get_crtc_info(c, crtcs[k], resources->config_timestamp), nullptr));
            if (crtc && crtc->mode == XCB_NONE && crtc->num_outputs == 0)
                free = crtcs[k];
        }
        if (free == XCB_NONE) {
            qCWarning(lcPlayer).noquote() << "output" << QString::fromStdString(name)
                                          << "is connected but dark, and no display controller is free for it";
            continue;
        }
        // The picture starts at the top-left corner, as the other outputs' do; the
        // screen grows first where the mode is larger than it.
        const auto geometry = owned(xcb_get_geometry_reply(c, xcb_get_geometry(c, m_root), nullptr));
        if (geometry && (mode->width > geometry->width || mode->height > geometry->height)) {
            const int width = std::max<int>(mode->width, geometry->width);
            const int height = std::max<int>(mode->height, geometry->height);
            xcb_randr_set_screen_size(c, m_root, uint16_t(width), uint16_t(height), millimetres(width),
                                      millimetres(height));
        }
        const auto set = owned(xcb_randr_set_crtc_config_reply(
            c,
            xcb_randr_set_crtc_config(c, free, XCB_CURRENT_TIME, resources->config_timestamp, 0, 0, wanted,
                                      XCB_RANDR_ROTATION_ROTATE_0, 1, &outputs[i]),
            nullptr));
        if (!set || set->status != XCB_RANDR_SET_CONFIG_SUCCESS) {
            qCWarning(lcPlayer).noquote()
                << "output" << QString::fromStdString(name)
                << "is connected but dark; the X server refused to light it at" << mode->width << "x" << mode->height;
            continue;
        }
        qCInfo(lcPlayer).noquote().nospace()
            << "output " << QString::fromStdString(name) << " was connected but dark: lit at " << mode->width << "x"
            << mode->height;
        ++lit;
    }
    xcb_flush(c);
    return lit;
}

}
