#pragma once
// The start-up window's page area: shows the page of one address. The page itself is
// drawn by a helper program in a process of its own (the web engine, once started in a
// process, stays there for the whole run); a blank area when the build has no engine;
// tests pass their own.
#include "core/timings.h"
#include "startup_page/engine_flags.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QProcess;

namespace zepril {

class WebView {
public:
    virtual ~WebView() = default;
    virtual void navigate(const QString& url) = 0;
    // The widget to lay out; it is destroyed with the WebView.
    virtual QWidget* widget() = 0;
};

std::unique_ptr<WebView> makeWebView(QWidget* parent);

// The page helper to run: ZEPRIL_STARTUP_PAGE when set, else the one beside this
// program, else the one the package installs. Empty when none is there.
QString findStartupPageHelper();

// The page shown by the helper program, placed inside this view's area where the
// windowing system can nest another process's window (X11); elsewhere the helper still
// loads the page but the area stays blank. When the helper is missing or dies, the
// area stays blank and one warning is logged. Destroying the view asks the helper to
// quit and ends it if it does not; that finishes in the background.
class StartupPageView final : public QObject, public WebView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartupPageView)

public:
    StartupPageView(QString helperPath, QWidget* parent, Timings timings = Timings::production());
    ~StartupPageView() override;

    void navigate(const QString& url) override;
    QWidget* widget() override;
    // The running helper's process id, 0 when none runs.
    qint64 helperPid() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The helper finished loading a page.
    void pageLoaded(const QString& url, bool ok);

private:
    void start(const QString& url);
    void readHelperOutput();
    void helperGone(const QString& why);
    void sendSize();

    QString m_helperPath;
    Timings m_timings;
    // Owned, but through a QPointer: the layout reparents it, and whichever of the
    // window and the view goes first must not delete it twice.
    QPointer<QWidget> m_area;
    QProcess* m_process = nullptr;
    bool m_warned = false;
};

}
