// One video download against a real HTTP server on 127.0.0.1: what reaches the disk,
// what the start-up window shows and what the failed-downloads journal holds.
#include "test_support_sync.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QtCore/qtestsupport_core.h>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>

using DownloadFileTest = SyncTest;

// The whole file is stored, and the progress line follows the bytes while they arrive.
TEST_F(DownloadFileTest, StoresWholeFilesAndRealVideosWhileTheProgressFollowsTheBytes)
{
    const QByteArray body = patterned(6 * 128 * 1024, 5);
    server.deliver("/videos/night/slow.mp4", body, {.piece = 128 * 1024, .pauseMs = 150});
    dl.progressRefreshMs = 20;
    ASSERT_TRUE(download("slow.mp4"));
    EXPECT_EQ(server.requests().value(0).headers.value("range"), "bytes=0-");
    EXPECT_TRUE(tree.read("videos-auto/night/slow.mp4") == body);
    ASSERT_GE(reporter.fileSizes.size(), 4) << reporter.fileSizes.join(" | ").toStdString();
    QList<int> percents;
    for (const QString& text : std::as_const(reporter.fileSizes))
        percents << text.section(' ', 0, 0).toInt();
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << reporter.fileSizes.join(" | ").toStdString();
    EXPECT_LT(percents.first(), 100);
    EXPECT_EQ(reporter.fileSizes.last(), "100 %  -  0.75 Mo / 0.75 Mo");
    EXPECT_EQ(reporter.status(), "TELECHARGEMENT [ slow.mp4 ]");
    EXPECT_EQ(reporter.progressMaximum(), double(body.size()));
    EXPECT_EQ(reporter.progressValue(), double(body.size()));
    EXPECT_TRUE(tree.exists("cfg/error.ini"));

    // Whatever muxer made them, real videos start in a way the check knows.
    for (const char* extension : {"mp4", "avi", "mkv", "webm", "ts", "mpg"}) {
        const QString name = QStringLiteral("real.") + extension;
        ASSERT_TRUE(makeVideo(tree.path("made/" + name), 0.5)) << name.toStdString();
        server.serve("/videos/night/" + name, tree.read("made/" + name));
        EXPECT_TRUE(download(name)) << name.toStdString();
        EXPECT_EQ(tree.read("videos-auto/night/" + name), tree.read("made/" + name));
    }
    EXPECT_TRUE(journal().isEmpty()) << "a complete file must leave the journal";
}

// Error statuses, broken bodies, answers that are not a video by their type (whatever its
// case) or by their first bytes, and a full disk: none is kept, each is journaled in the
// order of the failures, and the control is left free for the next download.
TEST_F(DownloadFileTest, EveryFailureIsJournaledInOrderAndLeavesNoFile)
{
    const QByteArray body = patterned(300000);
    // A large error page must not land on disk as if it were the video.
    server.serve("/videos/night/e404.mp4", "<html>" + QByteArray(400000, 'x'), 404, "text/html");
    server.serve("/videos/night/e500.mp4", "oops", 500, "text/plain");
    server.serve("/videos/night/page.mp4", body, 200, "TEXT/html; charset=utf-8");
    // A page served as a binary is given up on its first bytes, not streamed whole.
    const QByteArray page = "<!DOCTYPE html><html>\n<" + QByteArray(40 * 64 * 1024, ' ');
    auto sent = std::make_shared<std::atomic<size_t>>(0);
    server.deliver("/videos/night/html.mp4", page,
                   {.pauseMs = 20, .beforePiece = [sent](size_t offset) { return *sent = offset + (1 << 16), true; }});
    QByteArray noise(4096, Qt::Uninitialized);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + i / 13) & 0xff);
    server.serve("/videos/night/xml.mp4", "<?xml version=\"1.0\"?><error>gone</error>");
    server.serve("/videos/night/json.mp4", "{\"error\": \"gone\"}");
    server.serve("/videos/night/zip.mp4", QByteArray("PK\x03\x04\x14\0\0\0", 8) + noise);
    server.serve("/videos/night/noise.mp4", noise);
    // Two sync bytes are not a transport stream.
    server.serve("/videos/night/ts.mp4", QByteArray(noise).replace(0, 1, "\x47").replace(188, 1, "\x47"));
    server.serve("/videos/night/empty.mp4", "");
    server.deliver("/videos/night/cut.mp4", body, {.cutAt = 100000});
    server.deliver("/videos/night/short.mp4", body, {.announced = body.size() + 5000});
    server.serve("/videos/night/big.mp4", patterned(1048576));
    server.deliver("/videos/night/good.mp4", body, {.chunked = true});

    const QStringList names{"e404.mp4", "e500.mp4", "page.mp4", "html.mp4", "xml.mp4",   "json.mp4",
                            "zip.mp4",  "noise.mp4", "ts.mp4",  "empty.mp4", "cut.mp4", "short.mp4"};
    for (const QString& name : names)
        EXPECT_FALSE(download(name)) << name.toStdString();
    EXPECT_LT(sent->load(), size_t(page.size() / 2));
    EXPECT_FALSE(downloadVideo(dl, QStringLiteral("http://127.0.0.1:%1/videos/night/down.mp4").arg(unusedLocalPort()),
                               dest("down.mp4"), "down.mp4"));
    {
        // A full disk: the file size limit of the process makes the writes fail for real.
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 200000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = download("big.mp4");
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        EXPECT_FALSE(written);
    }
    EXPECT_TRUE(download("good.mp4"));
    EXPECT_TRUE(tree.read("videos-auto/night/good.mp4") == body);
    EXPECT_EQ(reporter.fileSizes.last(), "0.29 Mo") << "without an announced length, only the megabytes received";
    QStringList expected;
    for (const QString& name : names + QStringList{"down.mp4", "big.mp4"})
        expected << dest(name);
    EXPECT_EQ(failed.paths(), expected);
    EXPECT_EQ(journal(), expected);
    for (const QString& path : expected)
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
}

// The child side of the test below: it only runs when that test starts this program
// again with the environment set, and is killed before it can end.
TEST(KilledTransferChild, DISABLED_DownloadsUntilKilled)
{
    const QStringList args = qEnvironmentVariable("ZEPRIL_TEST_CHILD").split(u'\n'); // url, destination, root
    ASSERT_EQ(args.size(), 3);
    HttpTransfer http(kTimings);
    http.setRequestTimeout(30);
    RecordingReporter reporter;
    FailedDownloads failed{ProgramPaths(args[2])};
    DownloadContext ctx{http, reporter, failed};
    downloadVideo(ctx, args[0], args[1], FileNameFromPath(args[1]));
}

TEST_F(DownloadFileTest, AKilledTransferIsCleanedAndFetchedAgainAtTheNextStartUp)
{
    constexpr size_t kSent = 256 * 1024;
    const QByteArray body = patterned(1048576, 9);
    auto release = std::make_shared<std::atomic<bool>>(false);
    const auto holdTheRest = [release](size_t offset) {
        for (int i = 0; offset > 0 && i < 2000 && !*release; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return offset == 0;
    };
    server.deliver("/videos/night/big.mp4", body, {.piece = kSent, .beforePiece = holdTheRest});
    qputenv("ZEPRIL_TEST_CHILD", (url("big.mp4") + u'\n' + dest("big.mp4") + u'\n' + tree.root()).toUtf8());
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=KilledTransferChild.DISABLED_DownloadsUntilKilled", "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(child.waitForStarted(5000));
    const bool midway = QTest::qWaitFor(
        [&] { return journal().contains(dest("big.mp4")) && QFileInfo(dest("big.mp4")).size() >= qint64(kSent); },
        15000);
    child.kill();
    child.waitForFinished(5000);
    *release = true;
    ASSERT_TRUE(midway) << "the child never got halfway";
    ASSERT_LT(QFileInfo(dest("big.mp4")).size(), body.size());

    // The next start-up: the journal clears the partial file, the synchronization fetches it again.
    FailedDownloads nextRun{paths};
    nextRun.clearAtStartup();
    EXPECT_FALSE(tree.exists("videos-auto/night/big.mp4"));
    EXPECT_TRUE(journal().isEmpty());
    server.serve("/videos/night/big.mp4", body);
    EXPECT_EQ(syncCategory(syncCtx, "night", {"big.mp4"}, true).downloaded, QStringList{"big.mp4"});
    EXPECT_TRUE(tree.read("videos-auto/night/big.mp4") == body);
}
