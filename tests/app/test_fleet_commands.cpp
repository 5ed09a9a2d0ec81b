#include "app/command_line.h"
#include "app/player_app.h"

#include "app/startup_sequence.h"
#include "app/web_view.h"
#include "app_rig.h"
#include "support/fakes.h"

#include <QTextStream>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <future>

namespace {

// Runs the command on another thread, since a player of this process answers it on this one.
std::pair<std::optional<int>, QString> run(const QString& root, const QStringList& arguments)
{
    auto done = std::async(std::launch::async, [&] {
        QString text;
        QTextStream out(&text);
        const auto status = runTechnicianCommand(arguments, ProgramPaths(root), out);
        out.flush();
        return std::pair(status, text);
    });
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 15000));
    return done.get();
}

}

TEST(FleetCommands, WithoutAPlayerTheLastFilesAnswerAndWithOneThePlayerItself)
{
    ProgramDir dir;
    const QString root = dir.tree.root();
    dir.tree.write("screen.jpg", "last thumbnail");
    EXPECT_EQ(run(root, {"--screenshot", dir.tree.path("shot.jpg")}).first, 0);
    EXPECT_EQ(dir.tree.read("shot.jpg"), "last thumbnail");

    // A running player answers with what holds now, and its collector file is there too.
    dir.config("mode_manuel=False\r\n");
    dir.tree.write("videos-auto/night/n.mp4", "x");
    dir.tree.mkdir("collector"); // node-exporter installed
    PlayerPlatform p;
    p.probe = std::make_unique<FakeProbe>(true);
    test::FakeMediaPlayer* player = nullptr;
    p.makePlayer = [&](QWidget*, QWidget*& video) {
        video = nullptr;
        return std::unique_ptr<test::FakeMediaPlayer>(player = new test::FakeMediaPlayer);
    };
    p.makeWebView = [] { return std::make_unique<StartupPageView>(QString(), nullptr); };
    PlayerApp app(dir.paths(), Timings{.startupWindowMs = 10, .httpConnectTimeoutMs = 500}, std::move(p));
    app.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.loaded(); }, 10000));
    player->showPlaying(dir.tree.path("videos-auto/night/n.mp4"));
    const QString metrics = run(root, {"--metrics"}).second;
    EXPECT_TRUE(metrics.contains("zepril_state{state=\"playing\"} 1")) << metrics.toStdString();
    EXPECT_TRUE(metrics.contains("zepril_item_playing_info{item=\"night/n.mp4\"} 1"));
    EXPECT_TRUE(metrics.contains("zepril_sync_outcome{outcome=\"incomplete\"} 1")) << "no list was served";
    EXPECT_EQ(dir.tree.read("collector/zepril.prom"), metrics.toUtf8()) << "asking brings the files up to date";
    EXPECT_TRUE(run(root, {"--status"}).second.contains("\"current_item\": \"night/n.mp4\""));
}
