#include "app/web_view.h"
#include "core/logging.h"

#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QVBoxLayout>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace zepril;

namespace {

// The parent of a living process; 0 for a zombie or a process that is gone.
qint64 parentOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = file.readAll();
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

#ifdef ZEPRIL_STARTUP_PAGE_HELPER
// Only the real helper has an engine to look for.
QSet<qint64> descendantsOf(qint64 root)
{
    QSet<qint64> found;
    for (QList<qint64> todo{root}; !todo.isEmpty();)
        for (qint64 child : childrenOf(todo.takeFirst()))
            todo << child, found << child;
    return found;
}

bool mapsWebEngine()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngine");
}
#endif

// Warnings of the start-up category while it lives.
class WarningLog {
public:
    WarningLog() { s_current = this, m_previous = qInstallMessageHandler(&WarningLog::handle); }
    ~WarningLog()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    QStringList lines;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (s_current && type == QtWarningMsg && QByteArray(context.category) == lcStartup().categoryName())
            s_current->lines << text;
    }
    static inline WarningLog* s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
};

Timings shortGrace()
{
    Timings timings;
    timings.startupPageQuitGraceMs = 300;
    timings.startupPageTerminateGraceMs = 300;
    return timings;
}

// A window with the view's area laid out in it, as the start-up window does.
struct Host {
    explicit Host(QString helper, Timings timings = shortGrace())
        : view(std::make_unique<StartupPageView>(std::move(helper), nullptr, timings))
    {
        window.resize(480, 360);
        (new QVBoxLayout(&window))->addWidget(view->widget());
        window.show();
    }
    QWidget window;
    std::unique_ptr<StartupPageView> view;
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

    // A quit grace longer than the wait below: the helper must leave on its own.
    Timings patient;
    patient.startupPageQuitGraceMs = 60000;
    Host host(QStringLiteral(ZEPRIL_STARTUP_PAGE_HELPER), patient);
    QStringList loaded;
    QObject::connect(host.view.get(), &StartupPageView::pageLoaded,
                     [&](const QString& shown, bool ok) { loaded << (ok ? "ok " : "failed ") + shown; });
    WarningLog warnings;
    host.view->navigate(url);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 60000)) << "the helper never reported the page";
    EXPECT_EQ(loaded, QStringList{"ok " + url});
    EXPECT_FALSE(server.requests().isEmpty());
    EXPECT_TRUE(warnings.lines.isEmpty()) << warnings.lines.join('\n').toStdString();

    const qint64 helper = host.view->helperPid();
    ASSERT_GT(helper, 0);
    EXPECT_TRUE(childrenOf(getpid()).contains(helper));
    // The engine is the helper's: this process, which showed the page, never maps it.
    EXPECT_FALSE(mapsWebEngine());
    const QSet<qint64> engineProcesses = descendantsOf(helper);
    EXPECT_FALSE(engineProcesses.isEmpty()) << "the engine's zygotes should be the helper's children";

    host.view.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !alive(helper); }, 20000)) << "the helper outlived its view";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (qint64 pid : engineProcesses)
                if (alive(pid))
                    return false;
            return true;
        },
        10000))
        << "engine processes outlived the helper";
    EXPECT_EQ(childrenOf(getpid()), childrenBefore);
    EXPECT_TRUE(warnings.lines.isEmpty()) << warnings.lines.join('\n').toStdString();
}
#endif

TEST(StartupPageView, AMissingOrDyingHelperLeavesABlankAreaAndOneWarning)
{
    test::TempTree tree;
    const QSet<qint64> childrenBefore = childrenOf(getpid());
    {
        WarningLog warnings;
        Host host(tree.path("no-such-helper"));
        host.view->navigate(QStringLiteral("http://127.0.0.1:9/a.html"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !warnings.lines.isEmpty(); }, 10000));
        host.view->navigate(QStringLiteral("http://127.0.0.1:9/b.html"));
        QTest::qWait(100);
        ASSERT_EQ(warnings.lines.size(), 1);
        EXPECT_TRUE(warnings.lines.first().contains("could not start")) << warnings.lines.first().toStdString();
        EXPECT_EQ(host.view->helperPid(), 0);
        EXPECT_TRUE(host.view->widget()->isVisible());
    }
    {
        WarningLog warnings;
        Host host(script(tree, "crashing", "#!/bin/sh\nkill -SEGV $$\n"));
        host.view->navigate(QStringLiteral("http://127.0.0.1:9/a.html"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !warnings.lines.isEmpty(); }, 10000));
        EXPECT_TRUE(warnings.lines.first().contains("crashed")) << warnings.lines.first().toStdString();
        host.view->navigate(QStringLiteral("http://127.0.0.1:9/b.html")); // no second try, no second warning
        QTest::qWait(200);
        EXPECT_EQ(warnings.lines.size(), 1);
        EXPECT_EQ(host.view->helperPid(), 0);
    }
    {
        WarningLog warnings;
        qputenv("ZEPRIL_STARTUP_PAGE", tree.path("absent").toUtf8());
        EXPECT_EQ(findStartupPageHelper(), QString());
        const QString present = script(tree, "present", "#!/bin/sh\n");
        qputenv("ZEPRIL_STARTUP_PAGE", present.toUtf8());
        EXPECT_EQ(findStartupPageHelper(), present);
        qunsetenv("ZEPRIL_STARTUP_PAGE");
        Host host{QString()};
        host.view->navigate(QStringLiteral("http://127.0.0.1:9/a.html"));
        ASSERT_EQ(warnings.lines.size(), 1);
        EXPECT_TRUE(warnings.lines.first().contains("no zepril-startup-page found"));
    }
    EXPECT_EQ(childrenOf(getpid()), childrenBefore);
}

TEST(StartupPageView, AHelperThatIgnoresQuitAndTerminateIsKilled)
{
    test::TempTree tree;
    // Ignores stdin and SIGTERM, reports a page, then waits for ever.
    const QString stubborn = script(tree, "stubborn",
                                    "#!/usr/bin/env python3\n"
                                    "import signal, sys, time\n"
                                    "signal.signal(signal.SIGTERM, signal.SIG_IGN)\n"
                                    "print('loaded ' + sys.argv[-1], flush=True)\n"
                                    "while True:\n    time.sleep(1)\n");
    WarningLog warnings;
    Host host(stubborn);
    bool loaded = false;
    QObject::connect(host.view.get(), &StartupPageView::pageLoaded, [&](const QString&, bool ok) { loaded = ok; });
    host.view->navigate(QStringLiteral("http://127.0.0.1:9/a.html"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded; }, 10000));
    const qint64 helper = host.view->helperPid();
    ASSERT_GT(helper, 0);

    host.view.reset();
    EXPECT_TRUE(alive(helper)); // asking is not waiting: the unload goes on at once
    EXPECT_TRUE(QTest::qWaitFor([&] { return !alive(helper); }, 10000)) << "the helper was never killed";
    EXPECT_TRUE(warnings.lines.join('\n').contains("did not quit")) << warnings.lines.join('\n').toStdString();
}
