// One video download against a real HTTP server on 127.0.0.1: what reaches the disk,
// what the start-up window shows and what the failed-downloads journal holds.
#include "test_support_sync.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QtCore/qtestsupport_core.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
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
// case) or by their first bytes, and a failing write: none is kept, not even a partial
// file (nothing can vouch for its bytes), each is reported in the order of the
// failures, and the control is left free for the next download.
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
    EXPECT_EQ(failed.failedDownloads(), expected);
    EXPECT_TRUE(journal().isEmpty());
    for (const QString& path : expected)
        EXPECT_FALSE(QFileInfo::exists(path) || QFileInfo::exists(partialPathFor(path))) << path.toStdString();
}


// The child side of the test below: it only runs when that test starts this program
// again with the environment set, and is killed before it can end.
TEST(KilledTransferChild, DISABLED_DownloadsUntilKilled)
{
    const QStringList args = qEnvironmentVariable("ZEPRIL_TEST_CHILD").split(u'\n'); // url, destination, root
    ASSERT_EQ(args.size(), 3);
    HttpTransfer http(kTimings);
    RecordingReporter reporter;
    FailedDownloads failed{ProgramPaths(args[2])};
    DownloadContext ctx{.transfer = http, .reporter = reporter, .failedDownloads = failed, .requestTimeoutS = 30};
    downloadVideo(ctx, args[0], args[1], fileNameOf(args[1]));
}

// A killed player, a cut at 90 % and a short 206 each leave a hidden partial file that no
// listing shows, with the server's validators in the journal. After the next start-up
// only the rest is asked for (Range and If-Range) and appended, so the file crosses the
// wire once; a validator that changed meanwhile starts over.
TEST_F(DownloadFileTest, ACutTransferIsResumedWithOnlyTheRestOnTheWire)
{
    const QByteArray body = patterned(1048576, 9);
    const TestHttpServer::FileVersion v1{"\"v1\""};
    auto release = std::make_shared<std::atomic<bool>>(false);
    const auto holdTheRest = [release](size_t offset) {
        for (int i = 0; offset > 0 && i < 2000 && !*release; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return offset == 0;
    };
    server.serveFile("/videos/night/big.mp4", body, v1, {.piece = 256 * 1024, .beforePiece = holdTheRest});
    qputenv("ZEPRIL_TEST_CHILD", (url("big.mp4") + u'\n' + dest("big.mp4") + u'\n' + tree.root()).toUtf8());
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QCoreApplication::applicationFilePath(),
        {"--gtest_filter=KilledTransferChild.DISABLED_DownloadsUntilKilled", "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(child.waitForStarted(5000));
    const QString part = partialPathFor(dest("big.mp4"));
    const bool midway = QTest::qWaitFor([&] { return QFileInfo(part).size() >= 256 * 1024; }, 15000);
    child.kill();
    child.waitForFinished(5000);
    *release = true;
    ASSERT_TRUE(midway) << "the child never got a quarter of the way";
    failed.clearAtStartup(); // the start-up after the kill
    server.serveFile("/videos/night/cut.mp4", body, v1, {.cutAt = body.size() * 9 / 10});
    EXPECT_FALSE(download("cut.mp4"));
    const QByteArray fourMegabytes = patterned(4 * 1048576, 2);
    server.handle("/videos/night/short.mp4", [&](const httplib::Request& request, httplib::Response& r) {
        const_cast<httplib::Request&>(request).ranges.clear();
        r.status = 206;
        r.set_header("Content-Range", "bytes 0-1048575/4194304");
        r.set_header("ETag", "\"s\"");
        r.set_content(fourMegabytes.left(1048576).toStdString(), "video/mp4");
    });
    EXPECT_FALSE(download("short.mp4"));
    EXPECT_TRUE(listOrdinaryFiles(paths.categoryDir("videos-auto", "night")).isEmpty());

    FailedDownloads nextRun{paths};
    nextRun.clearAtStartup();
    const QStringList parts{part, partialPathFor(dest("cut.mp4")), partialPathFor(dest("short.mp4"))};
    EXPECT_EQ(journal(), parts);
    const qint64 kept[] = {QFileInfo(parts[0]).size(), body.size() * 9 / 10, 1048576};
    server.serveFile("/videos/night/big.mp4", body, v1);
    server.serveFile("/videos/night/cut.mp4", body, v1);
    server.serveFile("/videos/night/short.mp4", fourMegabytes, {"\"s\""});
    DownloadContext next{transfer, reporter, nextRun};
    const QStringList names{"big.mp4", "cut.mp4", "short.mp4"};
    for (int i = 0; i < 3; ++i) {
        const qint64 before = server.bodyBytesSent();
        ASSERT_TRUE(downloadVideo(next, url(names[i]), dest(names[i]), names[i])) << i;
        EXPECT_EQ(server.bodyBytesSent() - before, QFileInfo(dest(names[i])).size() - kept[i]) << i;
        EXPECT_EQ(server.requests().last().headers.value("range"), QStringLiteral("bytes=%1-").arg(kept[i]));
        EXPECT_FALSE(QFileInfo::exists(parts[i]));
    }
    EXPECT_EQ(server.requests().last().headers.value("if-range"), "\"s\"");
    EXPECT_TRUE(tree.read("videos-auto/night/big.mp4") == body && tree.read("videos-auto/night/cut.mp4") == body);
    EXPECT_TRUE(tree.read("videos-auto/night/short.mp4") == fourMegabytes);
    EXPECT_TRUE(journal().isEmpty());

    // Changed between the cut and the next attempt: the whole new file, once.
    server.serveFile("/videos/night/menu.mp4", body, v1, {.cutAt = 500000});
    EXPECT_FALSE(download("menu.mp4"));
    const QByteArray changed = patterned(1200000, 4);
    server.serveFile("/videos/night/menu.mp4", changed, {"\"v2\""});
    const qint64 before = server.bodyBytesSent();
    EXPECT_TRUE(download("menu.mp4"));
    EXPECT_EQ(server.bodyBytesSent() - before, changed.size());
    EXPECT_TRUE(tree.read("videos-auto/night/menu.mp4") == changed);
}

// A 206 for other bytes than those asked for, or whose lengths disagree, is thrown away.
TEST_F(DownloadFileTest, A206ThatDoesNotMatchTheRequestIsNotKept)
{
    const QByteArray body = patterned(300000);
    for (const auto& [range, length] : {std::pair{"bytes 100-300099/400000", 300000}, {"bytes 0-299999/*", 300000},
                                         {"bytes 0-199999/300000", 300000}}) {
        SCOPED_TRACE(range);
        server.handle("/videos/night/odd.mp4", [&](const httplib::Request& request, httplib::Response& r) {
            const_cast<httplib::Request&>(request).ranges.clear();
            r.status = 206;
            r.set_header("Content-Range", range);
            r.set_header("ETag", "\"o\"");
            r.set_content(body.left(length).toStdString(), "video/mp4");
        });
        EXPECT_FALSE(download("odd.mp4"));
        EXPECT_FALSE(QFileInfo::exists(dest("odd.mp4")) || QFileInfo::exists(partialPathFor(dest("odd.mp4"))));
    }
}

// A disk without room for a video skips it before a byte is written, with one line that
// names the folder and the numbers, and touches neither the old copy nor a partial file.
// A real 8 MB tmpfs: the check reads the file system's own count of free blocks, which a
// process size limit would not change.
TEST_F(DownloadFileTest, ADiskWithoutRoomSkipsTheDownloadAndKeepsWhatIsThere)
{
    const QString folder = tree.mkdir("videos-auto/plages");
    if (mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=8m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
    const auto unmount = qScopeGuard([&] { umount2(QFile::encodeName(folder).constData(), MNT_DETACH); });
    const QString menu = tree.write("videos-auto/plages/menu.mp4", clip("old menu"));
    const QString part = tree.write("videos-auto/plages/.menu.mp4.part", clip("half"));
    server.serveFile("/videos/plages/menu.mp4", patterned(9 * 1048576), {"\"big\""});
    server.serveFile("/videos/plages/small.mp4", patterned(1048576), {"\"small\""});
    dl.freeSpaceMargin = 1048576;
    LogCapture log("zepril.sync");
    EXPECT_FALSE(downloadVideo(dl, server.baseUrl() + "/videos/plages/menu.mp4", menu, "menu.mp4"));
    EXPECT_EQ(tree.read("videos-auto/plages/menu.mp4"), clip("old menu"));
    EXPECT_EQ(tree.read("videos-auto/plages/.menu.mp4.part"), clip("half"));
    EXPECT_TRUE(std::any_of(log.lines.begin(), log.lines.end(), [&](const QString& line) {
        return line.contains("not enough free space") && line.contains(folder) && line.contains("9437184");
    })) << log.lines.join('\n').toStdString();
    EXPECT_TRUE(
        downloadVideo(dl, server.baseUrl() + "/videos/plages/small.mp4", joinPath(folder, "small.mp4"), "small.mp4"));
}
