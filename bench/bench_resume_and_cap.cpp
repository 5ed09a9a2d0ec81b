// The download's bandwidth cap and its resuming, against a file server on 127.0.0.1:
//   - a 100 MB download through downloadVideo with the engine capped (as
//     [Serveurs] debit_max caps it), its mean rate against the cap, and the same download
//     uncapped for reference;
//   - a download cut at 90 %, then fetched again: the bytes the server sent over the file's
//     size, when the partial file is thrown away (the player before resuming) and when the
//     rest is asked for.
//   bench_resume_and_cap [megabytes] [cap in kbit/s]   (default 100 MB, 80000 kbit/s)
#include "net/http_transfer.h"
#include "silent_reporter.h"
#include "support/http_test_server.h"
#include "support/video_bytes.h"
#include "sync/download_video.h"
#include "sync/failed_downloads.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>

using namespace zepril;

namespace {

struct Run {
    bool ok = false;
    double seconds = 0;
};

Run download(qint64 capBytesPerSecond, FailedDownloads& journal, const QString& url, const QString& destination)
{
    HttpTransfer http;
    http.setMaxReceiveRate(capBytesPerSecond);
    SilentReporter reporter;
    DownloadContext ctx{.transfer = http, .reporter = reporter, .failedDownloads = journal, .requestTimeoutS = 30};
    QElapsedTimer clock;
    clock.start();
    const bool ok = downloadVideo(ctx, url, destination, QFileInfo(destination).fileName());
    return {ok, clock.nsecsElapsed() / 1e9};
}

}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("zepril.*.info=false\nzepril.*.warning=false"));
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100;
    const qint64 capKbits = argc > 2 ? QByteArray(argv[2]).toLongLong() : 80000;
    const qint64 cap = capKbits * 1000 / 8;
    const QByteArray body = test::patterned(megabytes * 1000 * 1000);

    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("cfg"));
    QDir(root.path()).mkpath(QStringLiteral("videos-auto/night"));
    const ProgramPaths paths(root.path());
    const QString destination = paths.categoryDir(QStringLiteral("videos-auto"), QStringLiteral("night")) + "/clip.mp4";
    test::TestHttpServer server;
    server.serveFile(QStringLiteral("/clip.mp4"), body, {"\"v1\""});
    const QString url = server.baseUrl() + "/clip.mp4";
    FailedDownloads journal(paths);
    journal.clearAtStartup();

    std::printf("file: %lld bytes (%lld MB)\n", qlonglong(body.size()), qlonglong(megabytes));
    const Run free = download(0, journal, url, destination);
    std::printf("uncapped:  %s, %.2f s, mean %.1f MB/s\n", free.ok ? "whole" : "FAILED", free.seconds,
                body.size() / free.seconds / 1e6);
    const Run capped = download(cap, journal, url, destination);
    const double rate = body.size() / capped.seconds;
    std::printf("cap %lld kbit/s (%lld bytes/s): %s, %.2f s, mean %.0f bytes/s = %.2f %% of the cap\n",
                qlonglong(capKbits), qlonglong(cap), capped.ok ? "whole" : "FAILED", capped.seconds, rate,
                100.0 * rate / cap);

    // A cut at 90 %, then the next attempt, both ways.
    for (const bool resume : {false, true}) {
        QFile::remove(destination);
        const qint64 start = server.bodyBytesSent();
        server.serveFile(QStringLiteral("/clip.mp4"), body, {"\"v1\""}, {.cutAt = body.size() * 9 / 10});
        const Run cut = download(0, journal, url, destination);
        if (!resume) {
            // What the player did before: the partial file deleted at the next start-up.
            QFile::remove(partialPathFor(destination));
            journal.forget(partialPathFor(destination));
        }
        server.serveFile(QStringLiteral("/clip.mp4"), body, {"\"v1\""});
        const Run again = download(0, journal, url, destination);
        const qint64 wire = server.bodyBytesSent() - start;
        std::printf("cut at 90 %% then %-11s %s/%s, %lld bytes on the wire = %.3f x the file\n",
                    resume ? "resumed:" : "restarted:", cut.ok ? "whole?!" : "cut", again.ok ? "whole" : "FAILED",
                    qlonglong(wire), double(wire) / double(body.size()));
    }
    return 0;
}
