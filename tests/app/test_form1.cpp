#include "app/form1.h"
#include "app/web_view.h"

#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

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

// Serves the event loop until the condition holds or the time runs out, so that a
// regression fails the test instead of hanging it.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void serveFor(int ms)
{
    waitUntil([] { return false; }, ms);
}

class StartupWindow : public ::testing::Test {
protected:
    void SetUp() override { tree.mkdir("cfg"); }

    // A window talking to the test server (or to `update` when given).
    Form1* makeWindow(const ServerAddress* update = nullptr, int timerMs = 60000)
    {
        ServerConfig servers = defaultServerConfig();
        servers.update = update ? *update : parseServerAddress(server.baseUrl(), QStringLiteral("http"));
        Timings timings;
        timings.startupWindowMs = timerMs;
        timings.httpConnectTimeoutMs = 2000;
        timings.httpIdleTimeoutMs = 2000;
        window = new Form1(ProgramPaths(tree.root()), servers, timings,
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
    QPointer<Form1> window;
    QStringList navigated;
    bool webViewDestroyed = false;
};

}

TEST_F(StartupWindow, OpensOnlyTheFirstAddressOfTheList)
{
    server.serve("/zeprilia/url.txt", "http://a\r\nhttp://b\r\nhttp://c\r\n");
    makeWindow()->load();

    EXPECT_EQ(navigated, QStringList{"http://a"});
    EXPECT_EQ(window->urlList(), (QStringList{"http://a", "http://b", "http://c"}));
    EXPECT_EQ(tree.read("cfg/url.dat"), "http://a\r\nhttp://b\r\nhttp://c\r\n");
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().target, "/zeprilia/url.txt");
}

TEST_F(StartupWindow, EmptyOrMissingListLeavesThePageBlank)
{
    {
        server.serve("/zeprilia/url.txt", "");
        makeWindow()->load();
        EXPECT_TRUE(navigated.isEmpty());
        EXPECT_TRUE(window->urlList().isEmpty());
        // The window stays usable for the start-up's reports.
        window->setStatus(QStringLiteral("Chargement des options... "));
        EXPECT_EQ(child("lblStatus")->text(), "Chargement des options... ");
        delete window.data();
    }
    {
        test::TestHttpServer nothing; // answers 404 to everything
        QFile::remove(tree.path("cfg/url.dat")); // no list at all
        const ServerAddress update = parseServerAddress(nothing.baseUrl(), QStringLiteral("http"));
        makeWindow(&update)->load();
        EXPECT_TRUE(navigated.isEmpty());
        EXPECT_TRUE(window->urlList().isEmpty());
        EXPECT_EQ(nothing.requests().size(), 1);
    }
}

TEST_F(StartupWindow, FailedFetchKeepsThePreviousList)
{
    tree.write("cfg/url.dat", "http://previous/page\r\nhttp://previous/other\r\n");
    {
        // Server down: nothing listens on the port.
        const ServerAddress down =
            parseServerAddress(QStringLiteral("127.0.0.1:%1").arg(test::unusedLocalPort()), QStringLiteral("http"));
        makeWindow(&down)->load();
        EXPECT_EQ(navigated, QStringList{"http://previous/page"});
        delete window.data();
    }
    {
        // An error status brings no list either: the error page is never taken for one.
        navigated.clear();
        server.serve("/zeprilia/url.txt", "http://error/page\r\n", 500);
        makeWindow()->load();
        EXPECT_EQ(navigated, QStringList{"http://previous/page"});
        EXPECT_EQ(tree.read("cfg/url.dat"), "http://previous/page\r\nhttp://previous/other\r\n");
    }
}

TEST_F(StartupWindow, AsksForTheMainScreenOnlyAfterItsInterval)
{
    server.serve("/zeprilia/url.txt", "http://a\r\n");
    makeWindow(nullptr, 400);
    QElapsedTimer sinceLoad;
    QList<qint64> ticks;
    QObject::connect(window.data(), &Form1::showMainScreenRequested, [&] { ticks << sinceLoad.elapsed(); });

    sinceLoad.start();
    window->load();
    EXPECT_TRUE(window->timerActive());
    ASSERT_TRUE(waitUntil([&] { return !ticks.isEmpty(); }, 3000));
    EXPECT_GE(ticks.first(), 400);

    // It keeps asking until the window goes; the receiver guards against a second start-up.
    ASSERT_TRUE(waitUntil([&] { return ticks.size() == 2; }, 3000));

    int unloaded = 0;
    QObject::connect(window.data(), &Form1::unloaded, [&] { ++unloaded; });
    window->unload();
    EXPECT_EQ(unloaded, 1);
    EXPECT_FALSE(window->timerActive());
    EXPECT_TRUE(webViewDestroyed);
    EXPECT_FALSE(window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    serveFor(900); // two more intervals: no tick may come from a closed window
    EXPECT_EQ(ticks.size(), 2);
}

TEST_F(StartupWindow, ShowsWhatTheStartupReports)
{
    server.serve("/zeprilia/url.txt", "http://a\r\n");
    makeWindow()->load();
    window->show();

    EXPECT_EQ(child("Label2")->text(), "Informations: ");
    EXPECT_EQ(child("Label2")->font().family(), "Century Gothic");
    EXPECT_EQ(child("lblFilesize")->text(), "0");
    EXPECT_EQ(child("lblConnected")->text(), "CONNEXION INTERNET INACTIVE");

    // The warning and the marks appear only when reported, each mark on its own.
    EXPECT_FALSE(child("lblConnected")->isVisible());
    EXPECT_FALSE(window->connectionWarningShown());
    window->showConnectionWarning();
    EXPECT_TRUE(child("lblConnected")->isVisible());
    EXPECT_TRUE(window->connectionWarningShown());

    for (int k = 0; k < 9; ++k)
        EXPECT_FALSE(child(QStringLiteral("img1_%1").arg(k))->isVisible()) << k;
    window->showStage(7);
    window->showStage(9);  // no such mark: ignored
    window->showStage(-1);
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(child(QStringLiteral("img1_%1").arg(k))->isVisible(), k == 7) << k;

    // The mark is a green badge of 50 x 21 pixels.
    const QImage badge = child("img1_7")->pixmap().toImage();
    EXPECT_EQ(badge.size(), QSize(50, 21));
    const QColor corner = badge.pixelColor(6, 4);
    EXPECT_GT(corner.green(), 2 * corner.red());
    EXPECT_GT(corner.green(), 2 * corner.blue());

    window->setStatus(QStringLiteral("Téléchargement des phrases de l'hotel  [ AZURE ]"));
    EXPECT_EQ(child("lblStatus")->text(), "Téléchargement des phrases de l'hotel  [ AZURE ]");
    window->setFileSize(QStringLiteral("1024 / 4096"));
    EXPECT_EQ(child("lblFilesize")->text(), "1024 / 4096");
}

TEST_F(StartupWindow, ProgressBarScalesLargeRanges)
{
    server.serve("/zeprilia/url.txt", "");
    makeWindow()->load();
    auto* bar = child<QProgressBar>("pb1");
    // The load handler resets the bar.
    EXPECT_EQ(window->progressMaximum(), 1);
    EXPECT_EQ(bar->value(), 0);

    // A 5 GB download: beyond int, still shown in proportion.
    window->setProgressRange(0, 5e9);
    window->setProgressValue(2.5e9);
    EXPECT_EQ(bar->value(), Form1::kProgressSteps / 2);
    EXPECT_EQ(window->progressValue(), 2.5e9);
    window->setProgressValue(6e9); // more than announced: full, not past it
    EXPECT_EQ(bar->value(), Form1::kProgressSteps);
    window->setProgressRange(0, 0); // nothing announced yet
    EXPECT_EQ(bar->value(), 0);
    window->setProgressRange(100, 300);
    window->setProgressValue(150);
    EXPECT_EQ(bar->value(), Form1::kProgressSteps / 4);
}

TEST(WebEngineFlags, AddsTheKioskFlagsOnceAndKeepsTheOthers)
{
    EXPECT_EQ(webEngineFlags("", false),
              "--disable-gpu --disable-background-networking --disable-component-update --no-first-run");
    const QByteArray root = webEngineFlags("--lang=fr  --disable-gpu", true);
    EXPECT_EQ(root, "--lang=fr --disable-gpu --no-sandbox --disable-background-networking "
                    "--disable-component-update --no-first-run");
    EXPECT_EQ(webEngineFlags(root, true), root);
    EXPECT_FALSE(webEngineFlags("", false).contains("--no-sandbox"));
}
