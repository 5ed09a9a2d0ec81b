#pragma once
// The start-up window's page area: shows the page of one address. Qt WebEngine when
// the build has it, a blank area otherwise; tests pass their own.
#include <QString>

#include <memory>

class QByteArray;
class QWidget;

namespace zepril {

class WebView {
public:
    virtual ~WebView() = default;
    virtual void navigate(const QString& url) = 0;
    // The widget to lay out; it is destroyed with the WebView.
    virtual QWidget* widget() = 0;
};

std::unique_ptr<WebView> makeWebView(QWidget* parent);

// The browser engine reads its settings from the environment once, when the first
// page is created: main() calls this first thing, before QApplication exists.
void prepareWebEngineEnvironment();

// QTWEBENGINE_CHROMIUM_FLAGS with the flags the unattended player needs added to the
// ones already there (none twice); --no-sandbox only for root, which Chromium
// otherwise refuses to run as.
QByteArray webEngineFlags(const QByteArray& existing, bool runningAsRoot);

}
