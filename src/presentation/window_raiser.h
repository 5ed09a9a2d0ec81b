#pragma once
// Raising one of the three screen windows: shown if hidden and put at the top of the
// stay-on-top band, never moved, resized or activated. Every raise of the banner
// cycle and of the overlay's first showing goes through this one seam.
#include <QList>
#include <QObject>

class QWidget;

namespace zepril {

enum class StackedWindow { Banner, Overlay, Main };

class WindowRaiser {
public:
    virtual ~WindowRaiser() = default;
    virtual void raise(StackedWindow window) = 0;
};

// Shows the widget without activating it if it is hidden, then raises it.
void raiseWindow(QWidget* window);

// The order the raises leave the windows in, top first; a window never raised sits
// below every raised one. Used to check a sequence of raises and by the real raiser.
class StackingOrder final {
public:
    void raise(StackedWindow window);
    QList<StackedWindow> topFirst() const { return m_topFirst; }

private:
    QList<StackedWindow> m_topFirst;
};

// A window manager keeps the windows it manages below the ones that bypass it, so a
// raise of a managed window cannot cover a bypassing one. Given the order the raises
// asked for, these are the bypassing windows that must go to the bottom instead,
// top first, so that what is seen is the same.
QList<StackedWindow> windowsToLower(const QList<StackedWindow>& topFirst, const QList<StackedWindow>& managed);

// The production raiser over the real windows; a window not set yet is skipped. A
// window already shown on top of the ones raised here is left where it is: the banner
// asks for a raise on every tick of a pass, and each restack costs the display server
// work for nothing.
class QtWindowRaiser final : public WindowRaiser {
public:
    QtWindowRaiser();
    void setWindow(StackedWindow which, QWidget* window);
    void raise(StackedWindow window) override;
    QList<StackedWindow> topFirst() const { return m_order.topFirst(); }

private:
    QWidget* widgetFor(StackedWindow which) const;
    void lowerCoveredStrips();

    bool m_lowerQueued = false;
    bool m_orderHolds = false; // nothing but this raiser has restacked since its last raise
    QObject m_lifetime;        // ends a queued lowering together with the raiser

    QWidget* m_banner = nullptr;
    QWidget* m_overlay = nullptr;
    QWidget* m_main = nullptr;
    StackingOrder m_order;
};

const char* windowName(StackedWindow window);

}
