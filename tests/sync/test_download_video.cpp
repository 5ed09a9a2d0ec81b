// One video download against a real HTTP server on 127.0.0.1: what reaches the disk,
// what the start-up window shows and what the failed-downloads journal holds.
#include "net/download_journal.h"
#include "sync/progress_text.h"
#include "test_support_sync.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QtCore/qtestsupport_core.h>

#include <csignal>
#include <sys/resource.h>
#include <thread>

using namespace zepril;
using zepril::test::patterned;
using zepril::test::RecordingReporter;

namespace {
class DownloadFileTest : public test::SyncTest {};
}

TEST(ProgressText, ShapeRoundingHalfToEvenShortestFormAndLocaleSeparator)
{
    const QLocale fr(QLocale::French, QLocale::France);
    const QLocale c = QLocale::c();
    constexpr double kMo = 1024.0 * 1024.0;
    struct Row {
        double received, announced;
        QLocale locale;
        const char* expected;
    };
    const Row rows[] = {
        {1048576, 1048576, c, "100 %  -  1 Mo / 1 Mo"},
        {1572864, 3145728, fr, "50 %  -  1,5 Mo / 3 Mo"},
        {1572864, 3145728, c, "50 %  -  1.5 Mo / 3 Mo"},
        {0, 3145728, fr, "0 %  -  0 Mo / 3 Mo"},
        {1572864, 0, fr, "1,5 Mo"}, // no announced length
        {0, 0, fr, "0 Mo"},
        {1, 200, c, "0 %  -  0 Mo / 0 Mo"}, // percent ties: 0.5, 1.5 and 2.5 go to even
        {3, 200, c, "2 %  -  0 Mo / 0 Mo"},
        {5, 200, c, "2 %  -  0 Mo / 0 Mo"},
        {2, 3, c, "67 %  -  0 Mo / 0 Mo"},
        {131072, 0, c, "0.12 Mo"}, // 0.125 and 0.375 Mo are exact ties
        {393216, 0, c, "0.38 Mo"},
        {0.1 * kMo, 0, fr, "0,1 Mo"},
        {2 * kMo + 10, 0, fr, "2 Mo"},
        {1.999 * kMo, 0, fr, "2 Mo"},
        {5120.25 * kMo, 0, fr, "5120,25 Mo"}, // never grouped
    };
    for (const Row& row : rows)
        EXPECT_EQ(progressText(row.received, row.announced, row.locale), row.expected) << row.received;
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
    EXPECT_TRUE(failedDownloads.isEmpty());
    EXPECT_TRUE(tree.exists("cfg/error.ini"));
    EXPECT_TRUE(journal().isEmpty()) << "a complete file must leave the journal";
}

TEST_F(DownloadFileTest, EveryFailureIsJournaledInOrderAndLeavesNoFile)
{
    const QByteArray body = patterned(300000);
    // A large error page must not land on disk as if it were the video.
    server.serve("/videos/night/e404.mp4", QByteArray(400000, 'x'), 404, "text/html");
    server.serve("/videos/night/e500.mp4", "oops", 500, "text/plain");
    server.serveCutMidBody("/videos/night/cut.mp4", body, 100000);
    server.serveWrongLength("/videos/night/short.mp4", body, body.size() + 5000);
    server.serve("/videos/night/good.mp4", body);

    EXPECT_FALSE(download("e404.mp4"));
    EXPECT_FALSE(download("e500.mp4"));
    EXPECT_FALSE(download("cut.mp4"));
    EXPECT_TRUE(download("good.mp4"));
    EXPECT_FALSE(download("short.mp4"));
    EXPECT_FALSE(downloadVideo(dl, QStringLiteral("http://127.0.0.1:%1/videos/night/down.mp4")
                                      .arg(zepril::test::unusedLocalPort()),
                              dest("down.mp4"), "down.mp4"));

    const QStringList failed{dest("e404.mp4"), dest("e500.mp4"), dest("cut.mp4"), dest("short.mp4"),
                             dest("down.mp4")};
    EXPECT_EQ(failedDownloads, failed);
    EXPECT_EQ(journal(), failed);
    for (const QString& path : failed)
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_TRUE(tree.read("videos-auto/night/good.mp4") == body);
}

TEST_F(DownloadFileTest, AResponseWithoutLengthIsASuccessShowingTheMegabytesReceived)
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const QByteArray body = patterned(1572864, 3);
    server.serveWithoutLength("/videos/night/nolen.mp4", body);

    ASSERT_TRUE(download("nolen.mp4"));
    EXPECT_TRUE(tree.read("videos-auto/night/nolen.mp4") == body);
    ASSERT_FALSE(reporter.fileSizes.isEmpty());
    EXPECT_EQ(reporter.fileSizes.last(), "1,5 Mo");
    EXPECT_TRUE(journal().isEmpty());
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
    server.serve("/videos/night/next.mp4", "next");
    EXPECT_TRUE(download("next.mp4"));
}

// The child side of the test below: it only runs when that test starts this program
// again with the environment set, and is killed before it can end.
TEST(KilledTransferChild, DISABLED_DownloadsUntilKilled)
{
    const QString url = qEnvironmentVariable("ZEPRIL_TEST_CHILD_URL");
    const QString destination = qEnvironmentVariable("ZEPRIL_TEST_CHILD_DEST");
    const QString journalPath = qEnvironmentVariable("ZEPRIL_TEST_CHILD_JOURNAL");
    ASSERT_FALSE(url.isEmpty() || destination.isEmpty() || journalPath.isEmpty());
    HttpTransfer http(test::shortTimings());
    http.setRequestTimeout(30);
    RecordingReporter reporter;
    QStringList failedDownloads;
    DownloadContext ctx{http, reporter, failedDownloads, journalPath};
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
    env.insert("ZEPRIL_TEST_CHILD_JOURNAL", paths.errorIni());
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
    clearFailedDownloads(paths, failedDownloads);
    EXPECT_FALSE(tree.exists("videos-auto/night/big.mp4"));
    EXPECT_TRUE(journal().isEmpty());
    server.serve("/videos/night/big.mp4", body);
    syncCategory(syncCtx, "night", {"big.mp4"}, true);
    EXPECT_TRUE(tree.read("videos-auto/night/big.mp4") == body);
    EXPECT_TRUE(failedDownloads.isEmpty());
}
