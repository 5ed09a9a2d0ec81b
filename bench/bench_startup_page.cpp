// The start-up window with the real page engine: how long from the load handler to the
// page on screen, what the page area shows, and how long the renderer process lives on
// after the window is unloaded. Serves the URL list and the page from 127.0.0.1.
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
#include <QTimer>

#ifdef ZEPRIL_WITH_WEBENGINE
#include <QWebEngineView>
#endif

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
    return fields.size() > 1 ? fields.at(1).toLongLong() : 0;
}

bool descendsFromUs(qint64 pid)
{
    const qint64 self = getpid();
    for (int depth = 0; depth < 16 && pid > 1; ++depth) {
        pid = parentOf(pid);
        if (pid == self)
            return true;
    }
    return false;
}

// Renderer processes of the browser engine: forks of the engine's zygotes (which are our
// own children), so they carry the zygote's command line one level further down.
int rendererProcesses()
{
    int count = 0;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray args = cmdline.readAll();
        if (args.contains("QtWebEngineProcess") && parentOf(pid) != getpid() && descendsFromUs(pid))
            ++count;
    }
    return count;
}

}

int main(int argc, char** argv)
{
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);

#ifndef ZEPRIL_WITH_WEBENGINE
    std::printf("built without the page engine: nothing to measure\n");
    return 0;
#else
    test::TestHttpServer server;
    server.serve("/page.html",
                 "<html><body style='margin:0;background:#00a000'><h1>Bienvenue</h1></body></html>", 200,
                 "text/html");
    server.serve("/zeprilia/url.txt", (server.baseUrl() + "/page.html\r\n").toUtf8());

    test::TempTree tree;
    tree.mkdir("cfg");
    ServerConfig servers = defaultServerConfig();
    servers.update = parseServerAddress(server.baseUrl(), QStringLiteral("http"));

    QElapsedTimer clock;
    clock.start();
    QPointer<StartupWindow> window = new StartupWindow(ProgramPaths(tree.root()), servers, Timings(), makeWebView(nullptr));
    auto* view = window->findChild<QWebEngineView*>(QStringLiteral("w1"));
    qint64 loadedAt = -1;
    bool loadOk = false;
    QObject::connect(view, &QWebEngineView::loadFinished, [&](bool ok) {
        loadedAt = clock.elapsed();
        loadOk = ok;
    });
    window->show();
    window->load();
    const qint64 loadReturned = clock.elapsed();
    if (!waitUntil([&] { return loadedAt >= 0; }, 20000)) {
        std::printf("page did not finish loading within 20 s\n");
        return 1;
    }
    std::printf("window created to load() returned: %lld ms\n", static_cast<long long>(loadReturned));
    std::printf("window created to page loaded (ok=%d): %lld ms\n", int(loadOk), static_cast<long long>(loadedAt));

    // Give the compositor a moment, then look at the middle of the page area.
    waitUntil([] { return false; }, 500);
    const QImage shot = view->grab().toImage();
    const QColor middle = shot.pixelColor(shot.width() / 2, shot.height() - 10);
    std::printf("page area %dx%d, pixel near its bottom: rgb(%d,%d,%d) (page background is rgb(0,160,0))\n",
                shot.width(), shot.height(), middle.red(), middle.green(), middle.blue());

    // A picture of the whole window, with a few stage marks, when asked for.
    if (const QString shotPath = qEnvironmentVariable("ZEPRIL_BENCH_SHOT"); !shotPath.isEmpty()) {
        window->setStatus(QStringLiteral("Chargement des listes des rubriques..."));
        for (int k = 0; k < 7; ++k)
            window->showStage(k);
        window->showConnectionWarning();
        window->setFileSize(QStringLiteral("1048576 / 4194304"));
        window->setProgressRange(0, 4194304);
        window->setProgressValue(1048576);
        waitUntil([] { return false; }, 300);
        window->grab().save(shotPath);
        std::printf("window picture saved to %s\n", qPrintable(shotPath));
    }

    const int renderersBefore = rendererProcesses();
    QElapsedTimer afterUnload;
    afterUnload.start();
    window->unload();
    const bool gone = waitUntil([] { return rendererProcesses() == 0; }, 10000);
    std::printf("renderer processes while shown: %d; after unload: %s in %lld ms\n", renderersBefore,
                gone ? "all gone" : "still running", static_cast<long long>(afterUnload.elapsed()));
    return 0;
#endif
}
