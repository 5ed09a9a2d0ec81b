// One video download against a real HTTP server on 127.0.0.1: what reaches the disk,
// what the start-up window shows and what the failed-downloads journal holds.
#include "app/core/file_helpers.h"
#include "app/core/list_file.h"
#include "app/core/program_paths.h"
#include "app/core/server_config.h"
#include "net/download_journal.h"
#include "net/ftp_transfer.h"
#include "net/inet_control.h"
#include "net/http_transfer.h"
#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/temp_tree.h"
#include "sync/download_file.h"
#include "sync/synchro_video.h"
#include "test_support_sync.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <thread>

using namespace zepril;
using zepril::test::RecordingReporter;
using zepril::test::TempTree;
using zepril::test::TestHttpServer;

namespace {

QByteArray patterned(qsizetype size, int seed = 0)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 13 + seed + i / 997) & 0xff);
    return bytes;
}

Timings shortTimings()
{
    Timings t;
    t.httpConnectTimeoutMs = 2000;
    t.httpIdleTimeoutMs = 1000;
    return t;
}

class DownloadFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        test::waitUntilServing(server);
        tree.mkdir("cfg");
        tree.mkdir("videos-auto/night");
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    QString dest(const QString& name) const { return tree.path("videos-auto/night/" + name); }
    QString url(const QString& name) const { return server.baseUrl() + "/videos/night/" + name; }
    QStringList journal() const
    {
        QStringList items;
        ReadFileToList(paths.errorIni(), items);
        return items;
    }
    bool download(const QString& name) { return DownloadFile(ctx, url(name), dest(name), name); }

    TempTree tree;
    ProgramPaths paths{tree.root()};
    TestHttpServer server;
    HttpTransfer http{shortTimings()};
    RecordingReporter reporter;
    QStringList lstSyncSupp2;
    DownloadContext ctx{http, reporter, lstSyncSupp2, paths.errorIni()};
};

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
    EXPECT_TRUE(lstSyncSupp2.isEmpty());
    EXPECT_TRUE(tree.exists("cfg/error.ini"));
    EXPECT_TRUE(journal().isEmpty()) << "a complete file must leave the journal";
}

TEST_F(DownloadFileTest, EveryFailureIsJournaledInOrderAndLeavesNoFile)
{
    const QByteArray body = patterned(300000);
    server.serve("/videos/night/e404.mp4", "gone", 404, "text/plain");
    server.serve("/videos/night/e500.mp4", "oops", 500, "text/plain");
    server.serveCutMidBody("/videos/night/cut.mp4", body, 100000);
    server.serveWrongLength("/videos/night/short.mp4", body, body.size() + 5000);
    server.serve("/videos/night/good.mp4", body);

    EXPECT_FALSE(download("e404.mp4"));
    EXPECT_FALSE(download("e500.mp4"));
    EXPECT_FALSE(download("cut.mp4"));
    EXPECT_TRUE(download("good.mp4"));
    EXPECT_FALSE(download("short.mp4"));
    EXPECT_FALSE(DownloadFile(ctx, QStringLiteral("http://127.0.0.1:%1/videos/night/down.mp4")
                                        .arg(zepril::test::unusedLocalPort()),
                              dest("down.mp4"), "down.mp4"));

    const QStringList failed{dest("e404.mp4"), dest("e500.mp4"), dest("cut.mp4"), dest("short.mp4"),
                             dest("down.mp4")};
    EXPECT_EQ(lstSyncSupp2, failed);
    EXPECT_EQ(journal(), failed);
    for (const char* name : {"e404.mp4", "e500.mp4", "cut.mp4", "short.mp4", "down.mp4"})
        EXPECT_FALSE(tree.exists(QStringLiteral("videos-auto/night/") + QLatin1String(name))) << name;
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
    EXPECT_EQ(reporter.progressValue(), 1572864.0);
    EXPECT_TRUE(journal().isEmpty());
}

// The body goes to disk and to the progress line while it arrives, not after.
TEST_F(DownloadFileTest, TheFileAndTheProgressFollowTheBytesAsTheyArrive)
{
    constexpr size_t kPiece = 128 * 1024;
    constexpr size_t kPieces = 6;
    const QByteArray body = patterned(qsizetype(kPiece * kPieces), 5);
    const QString target = dest("slow.mp4");
    std::atomic<bool> sawPartialFile{false};
    server.handle("/videos/night/slow.mp4", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(
            kPiece * kPieces, "application/octet-stream",
            [&, body](size_t offset, size_t, httplib::DataSink& sink) {
                const size_t piece = offset / kPiece;
                if (piece == 3) {
                    // Half the body was sent: it must be on disk before the rest comes.
                    for (int i = 0; i < 300 && !sawPartialFile; ++i) {
                        if (QFileInfo(target).size() >= qint64(3 * kPiece))
                            sawPartialFile = true;
                        else
                            std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    }
                }
                if (piece > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(150));
                sink.write(body.constData() + offset, kPiece);
                return true;
            });
    });
    ctx.progressRefreshMs = 20;

    ASSERT_TRUE(download("slow.mp4"));
    EXPECT_TRUE(sawPartialFile) << "the body was held back instead of written as it came";
    EXPECT_TRUE(tree.read("videos-auto/night/slow.mp4") == body);
    ASSERT_GE(reporter.fileSizes.size(), 4) << reporter.fileSizes.join(" | ").toStdString();
    int previous = -1;
    for (const QString& text : std::as_const(reporter.fileSizes)) {
        const int percent = text.section(' ', 0, 0).toInt();
        EXPECT_GE(percent, previous) << text.toStdString();
        previous = percent;
    }
    EXPECT_LT(reporter.fileSizes.first().section(' ', 0, 0).toInt(), 100);
    EXPECT_EQ(reporter.fileSizes.last(), "100 %  -  0.75 Mo / 0.75 Mo");
}

// A full disk: the file size limit of the process makes the writes fail for real.
TEST_F(DownloadFileTest, AFailedWriteTakesTheFailurePath)
{
    const QByteArray body = patterned(1048576);
    server.serve("/videos/night/big.mp4", body);
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

// The main screen's Inet2 is the control that serves both protocols.
TEST_F(DownloadFileTest, WorksThroughTheControlOfBothProtocols)
{
    InetControl inet2(std::make_unique<HttpTransfer>(shortTimings()), std::make_unique<FtpTransfer>());
    DownloadContext viaInet{inet2, reporter, lstSyncSupp2, paths.errorIni()};
    const QByteArray body = patterned(700000, 4);
    server.serve("/videos/night/a.mp4", body);
    server.serve("/videos/night/e404.mp4", QByteArray(400000, 'x'), 404, "text/html");

    EXPECT_FALSE(DownloadFile(viaInet, url("e404.mp4"), dest("e404.mp4"), "e404.mp4"));
    EXPECT_TRUE(DownloadFile(viaInet, url("a.mp4"), dest("a.mp4"), "a.mp4"));
    EXPECT_TRUE(tree.read("videos-auto/night/a.mp4") == body);
    EXPECT_FALSE(tree.exists("videos-auto/night/e404.mp4"));
    EXPECT_EQ(journal(), QStringList{dest("e404.mp4")});
}

// ---- a transfer killed in the middle ----------------------------------------------

// The child side of the test below: it only runs when that test starts this program
// again with the environment set, and is killed before it can end.
TEST(KilledTransferChild, DISABLED_DownloadsUntilKilled)
{
    const QString url = qEnvironmentVariable("ZEPRIL_TEST_CHILD_URL");
    const QString destination = qEnvironmentVariable("ZEPRIL_TEST_CHILD_DEST");
    const QString journalPath = qEnvironmentVariable("ZEPRIL_TEST_CHILD_JOURNAL");
    ASSERT_FALSE(url.isEmpty() || destination.isEmpty() || journalPath.isEmpty());
    HttpTransfer http(shortTimings());
    http.setRequestTimeout(30);
    RecordingReporter reporter;
    QStringList lstSyncSupp2;
    DownloadContext ctx{http, reporter, lstSyncSupp2, journalPath};
    DownloadFile(ctx, url, destination, FileNameFromPath(destination));
}

TEST_F(DownloadFileTest, AKilledTransferIsCleanedAndFetchedAgainAtTheNextStartUp)
{
    constexpr size_t kSent = 256 * 1024;
    const QByteArray body = patterned(1048576, 9);
    std::atomic<bool> release{false};
    server.handle("/videos/night/big.mp4", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(size_t(body.size()), "application/octet-stream",
                                      [&, body](size_t offset, size_t, httplib::DataSink& sink) {
                                          if (offset == 0) {
                                              sink.write(body.constData(), kSent);
                                              return true;
                                          }
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
        [&] {
            return journal().contains(dest("big.mp4")) && QFileInfo(dest("big.mp4")).size() >= qint64(kSent);
        },
        15000);
    child.kill();
    child.waitForFinished(5000);
    release = true;
    ASSERT_TRUE(midway) << "the child never got halfway";
    ASSERT_LT(QFileInfo(dest("big.mp4")).size(), body.size());

    // The next start-up: the journal clears the partial file, the synchronization
    // fetches it again.
    clearFailedDownloads(paths, lstSyncSupp2);
    EXPECT_FALSE(tree.exists("videos-auto/night/big.mp4"));
    EXPECT_TRUE(journal().isEmpty());

    server.serve("/videos/night/big.mp4", body);
    test::FakeProbe probe(true);
    QStringList lstCat;
    QStringList lstSyncSupp;
    SyncContext sync{paths, "videos-auto", parseServerAddress(server.baseUrl(), "http"), probe, reporter,
                     lstCat, lstSyncSupp,
                     [&](const QString& u, const QString& d, const QString& n) { return DownloadFile(ctx, u, d, n); }};
    synchroVideo(sync, "night", {"big.mp4"}, true);
    EXPECT_TRUE(tree.read("videos-auto/night/big.mp4") == body);
    EXPECT_TRUE(lstSyncSupp2.isEmpty());
}
