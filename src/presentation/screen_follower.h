#pragma once
// ScreenFollower: the windows follow the screen. When a screen appears or goes, or the
// primary one changes its size or place (a TV switched on after boot, one back with
// another resolution after a power cut), `relayout` runs with the primary screen once
// the changes have settled, so that a burst of them lays the windows out once. On X it
// also lights outputs that are connected but dark (XOutputLighter).
#include <QObject>
#include <QTimer>

#include <functional>

class QScreen;

namespace zepril {

class XOutputLighter;

class ScreenFollower final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScreenFollower)
public:
    ScreenFollower(int settleMs, std::function<void(QScreen*)> relayout, QObject* parent = nullptr);

    bool lightsOutputs() const { return m_lighter != nullptr; }

private:
    void watch(QScreen* screen);
    void changed(const char* what);

    std::function<void(QScreen*)> m_relayout;
    QTimer m_settle;
    XOutputLighter* m_lighter = nullptr;
};

}
