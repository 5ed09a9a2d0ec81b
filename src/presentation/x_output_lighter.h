#pragma once
// XOutputLighter: on X, gives every output that is connected but shows nothing (a TV
// switched on after the server started, or plugged in later) its preferred mode, as
// `xrandr --auto` would; a bare X server without a desktop lights no output by itself.
// It watches the server's output changes on a connection of its own.
#include <QObject>

class QSocketNotifier;
struct xcb_connection_t;

namespace zepril {

class XOutputLighter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(XOutputLighter)
public:
    // Null unless the application runs on X and the server has RandR 1.2 or later.
    static XOutputLighter* create(QObject* parent = nullptr);
    ~XOutputLighter() override;

    // Lights what is connected and dark; returns how many outputs it lit.
    int lightConnectedOutputs();

private:
    XOutputLighter(xcb_connection_t* connection, quint32 root, QObject* parent);
    void readEvents();

    xcb_connection_t* m_connection; // its own, for the output changes
    quint32 m_root;
    QSocketNotifier* m_notifier;
};

}
