// One video download against a real HTTP server on 127.0.0.1: what reaches the disk,
// what the start-up window shows and what the failed-downloads journal holds.
#include "test_support_sync.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QtCore/qtestsupport_core.h>

#include <csignal>
#include <sys/resource.h>
#include <thread>

using namespace zepril;
using zepril::test::makeVideo;
using zepril::test::patterned;
using zepril::test::RecordingReporter;

namespace {
class DownloadFileTest : public test::SyncTest {};
}

TEST_F(DownloadFileTest, StoresTheWholeFileAndEndsWithTheFullProgress)
{
    const QByteArray body = patterned(1048576);
    server.serve("/videos/night/clip.mp4", body);
    ASSERT_TRUE(download("clip.mp4"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].headers.value("range"), "bytes=0-");
    EXPECT_TRUE(tree.read("videos-auto/night/clip.mp4") == body);
    ASSERT_FALSE(reporter.fileSizes.isEmpty());
    EXPECT_EQ(reporter.fileSizes.last(), "100 %  -  1 Mo / 1 Mo");
    EXPECT_EQ(reporter.status(), "TELECHARGEMENT [ clip.mp4 ]");
    EXPECT_EQ(reporter.progressMaximum(), 1048576.0);
    EXPECT_EQ(reporter.progressValue(), 1048576.0);
    EXPECT_TRUE(tree.exists("cfg/error.ini"));
    EXPECT_TRUE(journal().isEmpty()) << "a complete file must leave the journal";

    // Without an announced length only the megabytes received are shown.
    server.serveWithoutLength("/videos/night/nolen.mp4", patterned(1572864, 3));
    ASSERT_TRUE(download("nolen.mp4"));
    EXPECT_EQ(tree.read("videos-auto/night/nolen.mp4"), patterned(1572864, 3));
    EXPECT_EQ(reporter.fileSizes.last(), "1.5 Mo");
    EXPECT_TRUE(failed.paths().isEmpty());
}

// Whatever muxer made them, videos start in a way the check knows.
TEST_F(DownloadFileTest, RealVideosOfEachContainerAreKept)
{
    for (const char* extension : {"mp4", "avi", "mkv", "webm", "ts", "mpg"}) {
        const QString name = QStringLiteral("real.") + extension;
        ASSERT_TRUE(makeVideo(tree.path("made/" + name), 0.5)) << name.toStdString();
        server.serve("/videos/night/" + name, tree.read("made/" + name));
        EXPECT_TRUE(download(name)) << name.toStdString();
        EXPECT_EQ(tree.read("videos-auto/night/" + name), tree.read("made/" + name));
    }
    EXPECT_TRUE(journal().isEmpty());
}

// Error statuses, broken bodies and answers that are not a video: none is kept, each is
// journaled in the order of the failures.
TEST_F(DownloadFileTest, EveryFailureIsJournaledInOrderAndLeavesNoFile)
{
    const QByteArray body = patterned(300000);
    // A large error page must not land on disk as if it were the video.
    server.serve("/videos/night/e404.mp4", "<html>" + QByteArray(400000, 'x'), 404, "text/html");
    server.serve("/videos/night/e500.mp4", "oops", 500, "text/plain");
    server.serve("/videos/night/page.mp4", body, 200, "text/html; charset=utf-8");
    // A page served as a binary is given up on its first bytes, not streamed whole.
    constexpr size_t kPiece = 64 * 1024, kPieces = 40;
    std::atomic<size_t> sent{0};
    server.handle("/videos/night/html.mp4", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(kPiece * kPieces, "application/octet-stream",
                                      [&](size_t offset, size_t, httplib::DataSink& sink) {
                                          std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                          QByteArray piece(kPiece, ' ');
                                          if (offset == 0)
                                              piece.replace(0, 23, "<!DOCTYPE html><html>\n<");
                                          sent += kPiece;
                                          return sink.write(piece.constData(), kPiece);
                                      });
    });
    server.serve("/videos/night/empty.mp4", "");
    server.serveCutMidBody("/videos/night/cut.mp4", body, 100000);
    server.serveWrongLength("/videos/night/short.mp4", body, body.size() + 5000);
    server.serve("/videos/night/good.mp4", body);

    const QStringList names{"e404.mp4", "e500.mp4", "page.mp4", "html.mp4", "empty.mp4", "cut.mp4"};
    for (const QString& name : names)
        EXPECT_FALSE(download(name)) << name.toStdString();
    EXPECT_LT(sent.load(), kPiece * kPieces / 2);
    EXPECT_TRUE(download("good.mp4"));
    EXPECT_FALSE(download("short.mp4"));
    EXPECT_FALSE(downloadVideo(dl, QStringLiteral("http://127.0.0.1:%1/videos/night/down.mp4")
                                      .arg(zepril::test::unusedLocalPort()),
                              dest("down.mp4"), "down.mp4"));

    QStringList expected;
    for (const QString& name : names + QStringList{"short.mp4", "down.mp4"})
        expected << dest(name);
    EXPECT_EQ(failed.paths(), expected);
    EXPECT_EQ(journal(), expected);
    for (const QString& path : expected)
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_TRUE(tree.read("videos-auto/night/good.mp4") == body);
}

// The progress line follows the bytes while they arrive, not only at the end.
TEST_F(DownloadFileTest, TheProgressFollowsTheBytesAsTheyArrive)
{
    constexpr size_t kPiece = 128 * 1024;
    const QByteArray body = patterned(qsizetype(kPiece * 6), 5);
    server.handle("/videos/night/slow.mp4", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(size_t(body.size()), "application/octet-stream",
                                      [body](size_t offset, size_t, httplib::DataSink& sink) {
                                          if (offset > 0)
                                              std::this_thread::sleep_for(std::chrono::milliseconds(150));
                                          return sink.write(body.constData() + offset, kPiece);
                                      });
    });
    dl.progressRefreshMs = 20;

    ASSERT_TRUE(download("slow.mp4"));
    EXPECT_TRUE(tree.read("videos-auto/night/slow.mp4") == body);
    ASSERT_GE(reporter.fileSizes.size(), 4) << reporter.fileSizes.join(" | ").toStdString();
    int previous = -1;
    for (const QString& text : std::as_const(reporter.fileSizes)) {
        EXPECT_GE(text.section(' ', 0, 0).toInt(), previous) << text.toStdString();
        previous = text.section(' ', 0, 0).toInt();
    }
    EXPECT_LT(reporter.fileSizes.first().section(' ', 0, 0).toInt(), 100);
    EXPECT_EQ(reporter.fileSizes.last(), "100 %  -  0.75 Mo / 0.75 Mo");
}

// A full disk: the file size limit of the process makes the writes fail for real.
TEST_F(DownloadFileTest, AFailedWriteTakesTheFailurePath)
{
    server.serve("/videos/night/big.mp4", patterned(1048576));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 200000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    const bool ok = download("big.mp4");

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(tree.exists("videos-auto/night/big.mp4"));
    EXPECT_EQ(journal(), QStringList{dest("big.mp4")});
    // The control was left free for the next download.
    server.serve("/videos/night/next.mp4", test::clip("next"));
    EXPECT_TRUE(download("next.mp4"));
}

// The child side of the test below: it only runs when that test starts this program
// again with the environment set, and is killed before it can end.
TEST(KilledTransferChild, DISABLED_DownloadsUntilKilled)
{
    const QString url = qEnvironmentVariable("ZEPRIL_TEST_CHILD_URL");
    const QString destination = qEnvironmentVariable("ZEPRIL_TEST_CHILD_DEST");
    const QString root = qEnvironmentVariable("ZEPRIL_TEST_CHILD_ROOT");
    ASSERT_FALSE(url.isEmpty() || destination.isEmpty() || root.isEmpty());
    HttpTransfer http(test::shortTimings());
    http.setRequestTimeout(30);
    RecordingReporter reporter;
    FailedDownloads failed{ProgramPaths(root)};
    DownloadContext ctx{http, reporter, failed};
    downloadVideo(ctx, url, destination, FileNameFromPath(destination));
}

TEST_F(DownloadFileTest, AKilledTransferIsCleanedAndFetchedAgainAtTheNextStartUp)
{
    constexpr size_t kSent = 256 * 1024;
    const QByteArray body = patterned(1048576, 9);
    std::atomic<bool> release{false};
    server.handle("/videos/night/big.mp4", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(size_t(body.size()), "application/octet-stream",
                                      [&, body](size_t offset, size_t, httplib::DataSink& sink) {
                                          if (offset == 0)
                                              return sink.write(body.constData(), kSent);
                                          for (int i = 0; i < 2000 && !release; ++i)
                                              std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                          return false;
                                      });
    });

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZEPRIL_TEST_CHILD_URL", url("big.mp4"));
    env.insert("ZEPRIL_TEST_CHILD_DEST", dest("big.mp4"));
    env.insert("ZEPRIL_TEST_CHILD_ROOT", tree.root());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=KilledTransferChild.DISABLED_DownloadsUntilKilled", "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(child.waitForStarted(5000));
    const bool midway = QTest::qWaitFor(
        [&] { return journal().contains(dest("big.mp4")) && QFileInfo(dest("big.mp4")).size() >= qint64(kSent); },
        15000);
    child.kill();
    child.waitForFinished(5000);
    release = true;
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
