#include "app/web_view.h"
#include "core/logging.h"

#include "support/core_fakes.h"
#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QVBoxLayout>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

using namespace zepril;

namespace {

// The parent of a living process; 0 for a zombie or a process that is gone.
qint64 parentOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    // "pid (comm) state ppid ...": the command name may hold blanks, so skip past ')'.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 && fields.at(0) != "Z" ? fields.at(1).toLongLong() : 0;
}

bool alive(qint64 pid) { return parentOf(pid) != 0; }

QSet<qint64> childrenOf(qint64 parent)
{
    QSet<qint64> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (const qint64 pid = entry.toLongLong(); pid > 0 && parentOf(pid) == parent)
            children << pid;
    return children;
}

// A window with the view's area laid out in it, as the start-up window does.
struct Host {
    explicit Host(QString helper, int quitGraceMs = 300)
    {
        const Timings timings{.startupPageQuitGraceMs = quitGraceMs, .startupPageTerminateGraceMs = 300};
        view = std::make_unique<StartupPageView>(std::move(helper), nullptr, timings);
        QObject::connect(view.get(), &StartupPageView::pageLoaded,
                         [this](const QString& shown, bool ok) { loaded << (ok ? "ok " : "failed ") + shown; });
        window.resize(480, 360);
        (new QVBoxLayout(&window))->addWidget(view->widget());
        window.show();
    }
    QWidget window;
    std::unique_ptr<StartupPageView> view;
    QStringList loaded;
};

QString script(test::TempTree& tree, const QString& name, const QByteArray& text)
{
    const QString path = tree.write(name, text);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    return path;
}

}

#ifdef ZEPRIL_STARTUP_PAGE_HELPER
TEST(StartupPageView, ShowsThePageInAProcessOfItsOwnThatLeavesNothingWhenUnloaded)
{
    test::TestHttpServer server;
    server.serve("/page.html", "<html><body style='background:#00a000'><h1>Bienvenue</h1></body></html>", 200,
                 "text/html");
    const QString url = server.baseUrl() + "/page.html";
    const QSet<qint64> childrenBefore = childrenOf(getpid());
    test::LogCapture log(lcStartup().categoryName());
    Host host(QStringLiteral(ZEPRIL_STARTUP_PAGE_HELPER), 60000); // the helper must leave on its own
    host.view->navigate(url);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host.loaded.isEmpty(); }, 60000)) << "the helper never reported the page";
    EXPECT_EQ(host.loaded, QStringList{"ok " + url});
    EXPECT_FALSE(server.requests().isEmpty());

    const qint64 helper = host.view->helperPid();
    ASSERT_TRUE(childrenOf(getpid()).contains(helper));
    // The engine is the helper's: this process, which showed the page, never maps it.
    QFile maps(QStringLiteral("/proc/self/maps"));
    EXPECT_TRUE(maps.open(QIODevice::ReadOnly) && !maps.readAll().contains("libQt6WebEngine"));
    QSet<qint64> engineProcesses;
    for (QList<qint64> todo{helper}; !todo.isEmpty();)
        for (qint64 child : childrenOf(todo.takeFirst()))
            todo << child, engineProcesses << child;
    EXPECT_FALSE(engineProcesses.isEmpty()) << "the engine's zygotes should be the helper's children";

    host.view.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !alive(helper); }, 20000)) << "the helper outlived its view";
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::none_of(engineProcesses.begin(), engineProcesses.end(), alive); }, 10000))
        << "engine processes outlived the helper";
    EXPECT_EQ(childrenOf(getpid()), childrenBefore);
    EXPECT_TRUE(log.warnings.isEmpty()) << log.warnings.join('\n').toStdString();
}
#endif

TEST(StartupPageView, AHelperThatIsMissingDiesOrIgnoresQuitLeavesOneWarningAndNoProcess)
{
    test::TempTree tree;
    const QSet<qint64> childrenBefore = childrenOf(getpid());
    // Ignores stdin and SIGTERM, reports a page, then waits for ever.
    const QString stubborn = script(tree, "stubborn",
                                    "#!/usr/bin/env python3\n"
                                    "import signal, sys, time\n"
                                    "signal.signal(signal.SIGTERM, signal.SIG_IGN)\n"
                                    "print('loaded ' + sys.argv[-1], flush=True)\n"
                                    "while True:\n    time.sleep(1)\n");
    const std::pair<QString, const char*> rows[] = {{tree.path("no-such-helper"), "could not start"},
                                                    {script(tree, "crashing", "#!/bin/sh\nkill -SEGV $$\n"), "crashed"},
                                                    {QString(), "no zepril-startup-page found"},
                                                    {stubborn, "did not quit"}};
    for (const auto& [helper, warning] : rows) {
        SCOPED_TRACE(warning);
        test::LogCapture log(lcStartup().categoryName());
        Host host(helper);
        host.view->navigate(QStringLiteral("http://127.0.0.1:9/a.html"));
        if (helper == stubborn) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !host.loaded.isEmpty(); }, 10000));
            const qint64 pid = host.view->helperPid();
            host.view.reset();
            EXPECT_TRUE(alive(pid)); // asking is not waiting: the unload goes on at once
            EXPECT_TRUE(QTest::qWaitFor([&] { return !alive(pid); }, 10000)) << "the helper was never killed";
        } else {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !log.warnings.isEmpty(); }, 10000));
            host.view->navigate(QStringLiteral("http://127.0.0.1:9/b.html")); // no second try, no second warning
            QTest::qWait(200);
            EXPECT_EQ(host.view->helperPid(), 0);
            EXPECT_TRUE(host.view->widget()->isVisible());
        }
        ASSERT_EQ(log.warnings.size(), 1) << log.warnings.join('\n').toStdString();
        EXPECT_TRUE(log.warnings.first().contains(QLatin1String(warning))) << log.warnings.first().toStdString();
    }
    EXPECT_EQ(childrenOf(getpid()), childrenBefore);

    qputenv("ZEPRIL_STARTUP_PAGE", tree.path("absent").toUtf8());
    EXPECT_EQ(findStartupPageHelper(), QString());
    qputenv("ZEPRIL_STARTUP_PAGE", stubborn.toUtf8());
    EXPECT_EQ(findStartupPageHelper(), stubborn);
    qunsetenv("ZEPRIL_STARTUP_PAGE");
}
