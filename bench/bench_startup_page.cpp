// The start-up window with the real page helper: how long from the load handler to the
// page on screen, what the page area shows, what the page costs in memory, and that
// nothing of the web engine is left once the window is unloaded. Serves the URL list
// and the page from 127.0.0.1. Run under Xvfb to see the page inside the window;
// offscreen the helper loads the page but the area stays blank.
#include "app/startup_window.h"
#include "app/web_view.h"

#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QScreen>
#include <QSet>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <unistd.h>

using namespace zepril;

namespace {

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

qint64 parentOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // "pid (comm) state ppid ...": the command name may hold blanks, so skip past ')'.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 && fields.at(0) != "Z" ? fields.at(1).toLongLong() : 0;
}

QSet<qint64> descendantsOf(qint64 root)
{
    QSet<qint64> found;
    bool grew = true;
    while (grew) {
        grew = false;
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            bool numeric = false;
            const qint64 pid = entry.toLongLong(&numeric);
            if (!numeric || found.contains(pid))
                continue;
            const qint64 parent = parentOf(pid);
            if (parent == root || found.contains(parent)) {
                found << pid;
                grew = true;
            }
        }
    }
    return found;
}

bool alive(qint64 pid) { return parentOf(pid) != 0; }

// Proportional set size in kB, shared pages split among their users.
long pssKb(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').first().toLong();
    return 0;
}

void printPss(const char* when, long kb) { std::printf("PSS %s: %.1f MB\n", when, kb / 1024.0); }

}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
#ifdef ZEPRIL_STARTUP_PAGE_HELPER
    if (!qEnvironmentVariableIsSet("ZEPRIL_STARTUP_PAGE"))
        qputenv("ZEPRIL_STARTUP_PAGE", ZEPRIL_STARTUP_PAGE_HELPER);
#endif
    const QString helper = findStartupPageHelper();
    if (helper.isEmpty()) {
        std::printf("no start-up page helper (built without the page engine?): nothing to measure\n");
        return 0;
    }

    test::TestHttpServer server;
    server.serve("/page.html", "<html><body style='margin:0;background:#00a000'><h1>Bienvenue</h1></body></html>", 200,
                 "text/html");
    server.serve("/zeprilia/url.txt", (server.baseUrl() + "/page.html\r\n").toUtf8());

    test::TempTree tree;
    tree.mkdir("cfg");
    ServerConfig servers = defaultServerConfig();
    servers.update = parseServerAddress(server.baseUrl(), QStringLiteral("http"));

    waitUntil([] { return false; }, 300);
    printPss("of the player before the start-up window", pssKb(getpid()));

    QElapsedTimer clock;
    clock.start();
    auto page = std::make_unique<StartupPageView>(helper, nullptr);
    QPointer<StartupPageView> pageView = page.get();
    QPointer<StartupWindow> window = new StartupWindow(ProgramPaths(tree.root()), servers, Timings(), std::move(page));
    qint64 loadedAt = -1;
    bool loadOk = false;
    QObject::connect(pageView, &StartupPageView::pageLoaded, [&](const QString&, bool ok) {
        loadedAt = clock.elapsed();
        loadOk = ok;
    });
    window->show();
    window->load();
    const qint64 loadReturned = clock.elapsed();
    if (!waitUntil([&] { return loadedAt >= 0; }, 30000)) {
        std::printf("page did not finish loading within 30 s\n");
        return 1;
    }
    std::printf("window created to load() returned: %lld ms\n", static_cast<long long>(loadReturned));
    std::printf("window created to page loaded (ok=%d): %lld ms\n", int(loadOk), static_cast<long long>(loadedAt));

    // Give the compositor a moment, then look at the middle of the page area as the
    // screen shows it (the helper's window is not part of our widgets' own painting).
    waitUntil([] { return false; }, 1000);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        QWidget* area = pageView->widget();
        const QPoint middle = area->mapTo(window, QPoint(area->width() / 2, area->height() - 10));
        const QImage shot = window->screen()->grabWindow(window->winId()).toImage();
        const QColor pixel = shot.pixelColor(middle * shot.devicePixelRatio());
        std::printf("page area %dx%d, pixel near its bottom: rgb(%d,%d,%d) (page background is rgb(0,160,0))\n",
                    area->width(), area->height(), pixel.red(), pixel.green(), pixel.blue());
        if (const QString shotPath = qEnvironmentVariable("ZEPRIL_BENCH_SHOT"); !shotPath.isEmpty()) {
            window->setStatus(QStringLiteral("Chargement des listes des rubriques..."));
            for (int k = 0; k < 7; ++k)
                window->showStage(k);
            waitUntil([] { return false; }, 300);
            window->screen()->grabWindow(window->winId()).save(shotPath);
            std::printf("window picture saved to %s\n", qPrintable(shotPath));
        }
    } else {
        std::printf("platform %s cannot nest the helper's window: page loaded but not shown\n",
                    qPrintable(QGuiApplication::platformName()));
    }

    const qint64 helperPid = pageView->helperPid();
    const QSet<qint64> engine = descendantsOf(helperPid);
    long enginePss = pssKb(helperPid);
    for (qint64 pid : engine)
        enginePss += pssKb(pid);
    printPss("of the player while the page is shown", pssKb(getpid()));
    std::printf("helper and its %lld engine processes while the page is shown: %.1f MB PSS\n",
                static_cast<long long>(engine.size()), enginePss / 1024.0);

    QElapsedTimer afterUnload;
    afterUnload.start();
    window->unload();
    const qint64 unloadReturned = afterUnload.elapsed();
    auto remaining = [&] {
        int count = alive(helperPid) ? 1 : 0;
        for (qint64 pid : engine)
            count += alive(pid) ? 1 : 0;
        return count;
    };
    const bool gone = waitUntil([&] { return remaining() == 0; }, 10000);
    std::printf("unload() returned in %lld ms; helper and engine processes %s after %lld ms\n",
                static_cast<long long>(unloadReturned), gone ? "all gone" : "STILL RUNNING",
                static_cast<long long>(afterUnload.elapsed()));
    std::printf("children of the player left: %lld\n", static_cast<long long>(descendantsOf(getpid()).size()));
    waitUntil([] { return false; }, 1000);
    printPss("of the player 1 s after unload", pssKb(getpid()));
    return gone ? 0 : 1;
}
