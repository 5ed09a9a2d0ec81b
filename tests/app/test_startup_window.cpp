#include "app/startup_window.h"
#include "app/web_view.h"

#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

using namespace zepril;

namespace {

// Records the addresses it is asked to open and tells when it is destroyed.
class FakeWebView final : public WebView {
public:
    FakeWebView(QStringList* navigated, bool* destroyed) : m_navigated(navigated), m_destroyed(destroyed) {}
    ~FakeWebView() override { *m_destroyed = true, delete m_area.data(); }
    void navigate(const QString& url) override { *m_navigated << url; }
    QWidget* widget() override { return m_area; }

private:
    QStringList* m_navigated;
    bool* m_destroyed;
    QPointer<QWidget> m_area = new QWidget;
};

struct Window {
    // A window whose update server is `update`, with a previous list on disk when given.
    explicit Window(const QString& update, const QByteArray& previous = {}, int timerMs = 60000)
    {
        tree.mkdir("cfg");
        if (!previous.isEmpty())
            tree.write("cfg/url.dat", previous);
        ServerConfig servers = defaultServerConfig();
        servers.update = parseServerAddress(update, QStringLiteral("http"));
        window = new StartupWindow(ProgramPaths(tree.root()), servers, Timings{.startupWindowMs = timerMs},
                                   std::make_unique<FakeWebView>(&navigated, &webViewDestroyed));
        window->load();
    }
    ~Window() { delete window.data(); }
    template <typename W = QLabel>
    W* child(const QString& name) const { return window->findChild<W*>(name); }

    test::TempTree tree;
    QPointer<StartupWindow> window;
    QStringList navigated;
    bool webViewDestroyed = false;
};

}

TEST(StartupWindow, OpensOnlyTheFirstAddressOfTheFetchedListOrElseOfThePreviousOne)
{
    const QByteArray previous = "http://previous/page\r\nhttp://previous/other\r\n";
    test::TestHttpServer listing, empty, failing, nothing; // `nothing` answers 404 to everything
    listing.serve("/zeprilia/url.txt", "http://a\r\nhttp://b\r\nhttp://c\r\n");
    empty.serve("/zeprilia/url.txt", "");
    failing.serve("/zeprilia/url.txt", "http://error/page\r\n", 500); // an error page is never taken for a list
    const QString down = QStringLiteral("127.0.0.1:%1").arg(test::unusedLocalPort());
    const std::tuple<const char*, QString, QByteArray, QStringList, QByteArray> rows[] = {
        {"listed", listing.baseUrl(), previous, {"http://a"}, "http://a\r\nhttp://b\r\nhttp://c\r\n"},
        {"empty list", empty.baseUrl(), {}, {}, ""},
        {"no list anywhere", nothing.baseUrl(), {}, {}, {}},
        {"server down", down, previous, {"http://previous/page"}, previous},
        {"error status", failing.baseUrl(), previous, {"http://previous/page"}, previous},
    };
    for (const auto& [what, update, before, navigated, after] : rows) {
        SCOPED_TRACE(what);
        Window w(update, before);
        EXPECT_EQ(w.navigated, navigated);
        EXPECT_EQ(w.window->urlList(), QString::fromLatin1(after).split("\r\n", Qt::SkipEmptyParts));
        EXPECT_EQ(w.tree.read("cfg/url.dat"), after);
    }
    EXPECT_EQ(listing.requests().size(), 1);
    EXPECT_EQ(nothing.requests().size(), 1);
}

TEST(StartupWindow, ShowsWhatTheStartupReportsThenAsksForTheMainScreenUntilItGoes)
{
    QElapsedTimer sinceLoad;
    sinceLoad.start();
    Window w(QStringLiteral("127.0.0.1:%1").arg(test::unusedLocalPort()), {}, 400);
    QList<qint64> ticks;
    QObject::connect(w.window.data(), &StartupWindow::showMainScreenRequested, [&] { ticks << sinceLoad.elapsed(); });
    w.window->show();
    // The warning and the marks appear only when reported, each mark on its own.
    EXPECT_FALSE(w.child("lblConnected")->isVisible());
    w.window->showConnectionWarning();
    EXPECT_TRUE(w.child("lblConnected")->isVisible());
    EXPECT_TRUE(w.window->connectionWarningShown());
    w.window->showStage(7);
    w.window->showStage(9); // no such mark: ignored
    w.window->showStage(-1);
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(w.child(QStringLiteral("img1_%1").arg(k))->isVisible(), k == 7) << k;
    w.window->setStatus(QStringLiteral("Téléchargement"));
    w.window->setFileSize(QStringLiteral("1024 / 4096"));
    EXPECT_EQ(w.child("lblStatus")->text() + w.child("lblFilesize")->text(), "Téléchargement1024 / 4096");

    auto* bar = w.child<QProgressBar>("pb1");
    EXPECT_EQ(bar->value(), 0); // the load resets it
    w.window->setProgressRange(0, 5e9); // a 5 GB download: beyond int, still in proportion
    w.window->setProgressValue(2.5e9);
    EXPECT_EQ(bar->value(), StartupWindow::kProgressSteps / 2);
    w.window->setProgressValue(6e9); // more than announced: full, not past it
    EXPECT_EQ(bar->value(), StartupWindow::kProgressSteps);
    w.window->setProgressRange(0, 0); // nothing announced yet
    EXPECT_EQ(bar->value(), 0);
    w.window->setProgressRange(100, 300);
    w.window->setProgressValue(150);
    EXPECT_EQ(bar->value(), StartupWindow::kProgressSteps / 4);

    // It keeps asking until the window goes; the receiver guards against a second start-up.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() == 2; }, 3000));
    EXPECT_GE(ticks.first(), 400);
    int unloaded = 0;
    QObject::connect(w.window.data(), &StartupWindow::unloaded, [&] { ++unloaded; });
    w.window->unload();
    EXPECT_EQ(unloaded, 1);
    EXPECT_FALSE(w.window->timerActive());
    EXPECT_TRUE(w.webViewDestroyed);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.window.isNull()); // so no tick can come from a closed window
}

TEST(WebEngineFlags, AddsTheKioskFlagsOnceAndKeepsTheOthers)
{
    const QByteArray root = webEngineFlags("--lang=fr  --disable-gpu", true);
    EXPECT_EQ(root, "--lang=fr --disable-gpu --no-sandbox --disable-background-networking "
                    "--disable-component-update --no-first-run");
    EXPECT_EQ(webEngineFlags(root, true), root);
    EXPECT_FALSE(webEngineFlags("", false).contains("--no-sandbox"));
}
