#include "presentation/window_raiser.h"

#include "core/logging.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace zepril {

const char* windowName(StackedWindow window)
{
    switch (window) {
    case StackedWindow::Banner:
        return "banner";
    case StackedWindow::Overlay:
        return "overlay";
    case StackedWindow::Main:
        return "main window";
    }
    return "?";
}

void raiseWindow(QWidget* window)
{
    if (!window)
        return;
    // show() on a hidden top-level would activate it unless told not to; the video
    // window must never lose focus to a strip.
    if (!window->isVisible()) {
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->show();
    }
    window->raise();
}

void StackingOrder::raise(StackedWindow window)
{
    m_topFirst.removeAll(window);
    m_topFirst.prepend(window);
}

QtWindowRaiser::QtWindowRaiser()
{
    // A window of ours or another program's that takes the focus may have been put
    // over the ones raised here.
    if (qGuiApp)
        QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &m_lifetime, [this] { m_orderHolds = false; });
}

void QtWindowRaiser::setWindow(StackedWindow which, QWidget* window)
{
    switch (which) {
    case StackedWindow::Banner:
        m_banner = window;
        break;
    case StackedWindow::Overlay:
        m_overlay = window;
        break;
    case StackedWindow::Main:
        m_main = window;
        break;
    }
}

QWidget* QtWindowRaiser::widgetFor(StackedWindow which) const
{
    switch (which) {
    case StackedWindow::Banner:
        return m_banner;
    case StackedWindow::Overlay:
        return m_overlay;
    case StackedWindow::Main:
        return m_main;
    }
    return nullptr;
}

void QtWindowRaiser::raise(StackedWindow window)
{
    QWidget* widget = widgetFor(window);
    if (!widget) {
        qCDebug(lcBanner) << "raise of the" << windowName(window) << "skipped: no window yet";
        return;
    }
    if (m_orderHolds && widget->isVisible() && m_order.topFirst().constFirst() == window)
        return;
    raiseWindow(widget);
    m_order.raise(window);
    m_orderHolds = true;

    // Raises come in runs (main window then overlay at the end of a pass); the
    // lowering waits for the end of the run so that a strip raised last in the run
    // is never sent down first and made to flash.
    if (!(widget->windowFlags() & Qt::X11BypassWindowManagerHint) && !m_lowerQueued) {
        m_lowerQueued = true;
        QTimer::singleShot(0, &m_lifetime, [this] { lowerCoveredStrips(); });
    }
}

void QtWindowRaiser::lowerCoveredStrips()
{
    m_lowerQueued = false;
    QList<StackedWindow> managed;
    for (const StackedWindow w : {StackedWindow::Banner, StackedWindow::Overlay, StackedWindow::Main}) {
        const QWidget* widget = widgetFor(w);
        if (widget && !(widget->windowFlags() & Qt::X11BypassWindowManagerHint))
            managed << w;
    }
    for (const StackedWindow w : windowsToLower(m_order.topFirst(), managed)) {
        QWidget* widget = widgetFor(w);
        if (widget && widget->isVisible())
            widget->lower();
    }
}

QList<StackedWindow> windowsToLower(const QList<StackedWindow>& topFirst, const QList<StackedWindow>& managed)
{
    QList<StackedWindow> result;
    bool belowManaged = false;
    for (const StackedWindow w : topFirst) {
        if (managed.contains(w))
            belowManaged = true;
        else if (belowManaged)
            result << w;
    }
    return result;
}

}
