#include "app/startup_window.h"
#include "app/web_view.h"

#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
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
    ~FakeWebView() override
    {
        *m_destroyed = true;
        delete m_area.data();
    }
    void navigate(const QString& url) override { *m_navigated << url; }
    QWidget* widget() override { return m_area; }

private:
    QStringList* m_navigated;
    bool* m_destroyed;
    QPointer<QWidget> m_area = new QWidget;
};

class StartupWindowTest : public ::testing::Test {
protected:
    void SetUp() override { tree.mkdir("cfg"); }

    // A window talking to the test server (or to `update` when given).
    StartupWindow* makeWindow(const ServerAddress* update = nullptr, int timerMs = 60000)
    {
        ServerConfig servers = defaultServerConfig();
        servers.update = update ? *update : parseServerAddress(server.baseUrl(), QStringLiteral("http"));
        Timings timings;
        timings.startupWindowMs = timerMs;
        timings.httpConnectTimeoutMs = 2000;
        timings.httpIdleTimeoutMs = 2000;
        window = new StartupWindow(ProgramPaths(tree.root()), servers, timings,
                           std::make_unique<FakeWebView>(&navigated, &webViewDestroyed));
        return window;
    }

    void TearDown() override { delete window.data(); }

    template <typename W = QLabel>
    W* child(const QString& name) const
    {
        W* w = window->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }

    test::TempTree tree;
    test::TestHttpServer server;
    QPointer<StartupWindow> window;
    QStringList navigated;
    bool webViewDestroyed = false;
};

}

TEST_F(StartupWindowTest, OpensOnlyTheFirstAddressOfTheList)
{
    server.serve("/zeprilia/url.txt", "http://a\r\nhttp://b\r\nhttp://c\r\n");
    makeWindow()->load();
    EXPECT_EQ(navigated, QStringList{"http://a"});
    EXPECT_EQ(window->urlList(), (QStringList{"http://a", "http://b", "http://c"}));
    EXPECT_EQ(tree.read("cfg/url.dat"), "http://a\r\nhttp://b\r\nhttp://c\r\n");
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().target, "/zeprilia/url.txt");
}

TEST_F(StartupWindowTest, EmptyOrMissingListLeavesThePageBlank)
{
    server.serve("/zeprilia/url.txt", "");
    makeWindow()->load();
    EXPECT_TRUE(navigated.isEmpty());
    EXPECT_TRUE(window->urlList().isEmpty());
    delete window.data();

    test::TestHttpServer nothing; // answers 404 to everything, and there is no list on disk
    QFile::remove(tree.path("cfg/url.dat"));
    const ServerAddress update = parseServerAddress(nothing.baseUrl(), QStringLiteral("http"));
    makeWindow(&update)->load();
    EXPECT_TRUE(navigated.isEmpty());
    EXPECT_TRUE(window->urlList().isEmpty());
    EXPECT_EQ(nothing.requests().size(), 1);
}

TEST_F(StartupWindowTest, FailedFetchKeepsThePreviousList)
{
    const QByteArray previous = "http://previous/page\r\nhttp://previous/other\r\n";
    tree.write("cfg/url.dat", previous);
    server.serve("/zeprilia/url.txt", "http://error/page\r\n", 500); // an error page is never taken for a list
    const ServerAddress failing = parseServerAddress(server.baseUrl(), QStringLiteral("http"));
    const ServerAddress down = // nothing listens there
        parseServerAddress(QStringLiteral("127.0.0.1:%1").arg(test::unusedLocalPort()), QStringLiteral("http"));
    for (const ServerAddress* update : {&down, &failing}) {
        SCOPED_TRACE(update == &down ? "server down" : "error status");
        navigated.clear();
        makeWindow(update)->load();
        EXPECT_EQ(navigated, QStringList{"http://previous/page"});
        EXPECT_EQ(tree.read("cfg/url.dat"), previous);
        delete window.data();
    }
}

TEST_F(StartupWindowTest, AsksForTheMainScreenAfterItsIntervalUntilItGoes)
{
    server.serve("/zeprilia/url.txt", "http://a\r\n");
    makeWindow(nullptr, 400);
    QElapsedTimer sinceLoad;
    QList<qint64> ticks;
    QObject::connect(window.data(), &StartupWindow::showMainScreenRequested, [&] { ticks << sinceLoad.elapsed(); });
    sinceLoad.start();
    window->load();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ticks.isEmpty(); }, 3000));
    EXPECT_GE(ticks.first(), 400);
    // It keeps asking until the window goes; the receiver guards against a second start-up.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() == 2; }, 3000));

    int unloaded = 0;
    QObject::connect(window.data(), &StartupWindow::unloaded, [&] { ++unloaded; });
    window->unload();
    EXPECT_EQ(unloaded, 1);
    EXPECT_FALSE(window->timerActive());
    EXPECT_TRUE(webViewDestroyed);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()); // so no tick can come from a closed window
}

TEST_F(StartupWindowTest, ShowsWhatTheStartupReportsWithLargeRangesInProportion)
{
    server.serve("/zeprilia/url.txt", "http://a\r\n");
    makeWindow()->load();
    window->show();

    // The warning and the marks appear only when reported, each mark on its own.
    EXPECT_FALSE(child("lblConnected")->isVisible());
    window->showConnectionWarning();
    EXPECT_TRUE(child("lblConnected")->isVisible());
    EXPECT_EQ(child("lblConnected")->text(), "CONNEXION INTERNET INACTIVE");
    EXPECT_TRUE(window->connectionWarningShown());

    for (int k = 0; k < 9; ++k)
        EXPECT_FALSE(child(QStringLiteral("img1_%1").arg(k))->isVisible()) << k;
    window->showStage(7);
    window->showStage(9); // no such mark: ignored
    window->showStage(-1);
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(child(QStringLiteral("img1_%1").arg(k))->isVisible(), k == 7) << k;
    const QImage badge = child("img1_7")->pixmap().toImage(); // a green badge of 50 x 21
    EXPECT_EQ(badge.size(), QSize(50, 21));
    EXPECT_GT(badge.pixelColor(6, 4).green(), 2 * badge.pixelColor(6, 4).red());

    window->setStatus(QStringLiteral("Téléchargement des phrases de l'hotel  [ AZURE ]"));
    EXPECT_EQ(child("lblStatus")->text(), "Téléchargement des phrases de l'hotel  [ AZURE ]");
    window->setFileSize(QStringLiteral("1024 / 4096"));
    EXPECT_EQ(child("lblFilesize")->text(), "1024 / 4096");

    auto* bar = child<QProgressBar>("pb1");
    EXPECT_EQ(bar->value(), 0); // the load resets it
    window->setProgressRange(0, 5e9); // a 5 GB download: beyond int, still in proportion
    window->setProgressValue(2.5e9);
    EXPECT_EQ(bar->value(), StartupWindow::kProgressSteps / 2);
    window->setProgressValue(6e9); // more than announced: full, not past it
    EXPECT_EQ(bar->value(), StartupWindow::kProgressSteps);
    window->setProgressRange(0, 0); // nothing announced yet
    EXPECT_EQ(bar->value(), 0);
    window->setProgressRange(100, 300);
    window->setProgressValue(150);
    EXPECT_EQ(bar->value(), StartupWindow::kProgressSteps / 4);
}

TEST(WebEngineFlags, AddsTheKioskFlagsOnceAndKeepsTheOthers)
{
    EXPECT_EQ(webEngineFlags("", false),
              "--disable-gpu --disable-background-networking --disable-component-update --no-first-run");
    const QByteArray root = webEngineFlags("--lang=fr  --disable-gpu", true);
    EXPECT_EQ(root, "--lang=fr --disable-gpu --no-sandbox --disable-background-networking "
                    "--disable-component-update --no-first-run");
    EXPECT_EQ(webEngineFlags(root, true), root);
}
