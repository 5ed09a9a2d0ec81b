#include "app/web_view.h"

#include "core/logging.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#ifdef ZEPRIL_WITH_WEBENGINE
#include <QWebEngineView>
#endif

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace zepril {

namespace {

// Owns its widget through a QPointer: the layout may reparent it, and whichever of
// the window and the WebView goes first must not delete it twice.
template <typename W>
class OwnedWidget {
public:
    explicit OwnedWidget(W* w) : m_widget(w) {}
    ~OwnedWidget() { delete m_widget.data(); }
    W* get() const { return m_widget.data(); }

private:
    QPointer<W> m_widget;
};

class BlankWebView final : public WebView {
public:
    explicit BlankWebView(QWidget* parent) : m_area(new QWidget(parent)) {}

    void navigate(const QString& url) override
    {
        if (!m_told) {
            qCInfo(lcStartup) << "built without a web engine: the page area stays blank";
            m_told = true;
        }
        qCInfo(lcStartup).noquote() << "page not shown:" << url;
    }
    QWidget* widget() override { return m_area.get(); }

private:
    OwnedWidget<QWidget> m_area;
    bool m_told = false;
};

#ifdef ZEPRIL_WITH_WEBENGINE
class EngineWebView final : public WebView {
public:
    explicit EngineWebView(QWidget* parent) : m_view(new QWebEngineView(parent))
    {
        QObject::connect(m_view.get(), &QWebEngineView::loadFinished, m_view.get(), [view = m_view.get()](bool ok) {
            if (ok)
                qCInfo(lcStartup).noquote() << "page shown:" << view->url().toString();
            else
                qCWarning(lcStartup).noquote() << "page failed to load:" << view->url().toString();
        });
    }

    void navigate(const QString& url) override
    {
        qCInfo(lcStartup).noquote() << "opening page" << url;
        m_view.get()->load(QUrl::fromUserInput(url));
    }
    QWidget* widget() override { return m_view.get(); }

private:
    OwnedWidget<QWebEngineView> m_view;
};
#endif

}

std::unique_ptr<WebView> makeWebView(QWidget* parent)
{
#ifdef ZEPRIL_WITH_WEBENGINE
    return std::make_unique<EngineWebView>(parent);
#else
    return std::make_unique<BlankWebView>(parent);
#endif
}

QByteArray webEngineFlags(const QByteArray& existing, bool runningAsRoot)
{
    QList<QByteArray> wanted;
    if (runningAsRoot)
        wanted << "--no-sandbox";
    // No GPU on the kiosks; no background traffic or updates for a page shown for
    // half a minute.
    wanted << "--disable-gpu" << "--disable-background-networking" << "--disable-component-update"
           << "--no-first-run";

    const QList<QByteArray> present = existing.simplified().split(' ');
    QByteArray flags = existing.simplified();
    for (const QByteArray& flag : wanted) {
        if (present.contains(flag))
            continue;
        if (!flags.isEmpty())
            flags += ' ';
        flags += flag;
    }
    return flags;
}

void prepareWebEngineEnvironment()
{
#ifdef Q_OS_UNIX
    const bool root = geteuid() == 0;
#else
    const bool root = false;
#endif
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", webEngineFlags(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), root));
    // Without a GL driver the scene graph crashes unless it renders in software.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

}
