// Downloads one large file from a server on 127.0.0.1 through downloadVideo and through
// the curl command line in the same run (curl alone, and curl followed by a data flush
// of the file as downloadVideo does), and prints the throughputs, their ratios, the peak
// memory growth of downloadVideo and the lateness of a 15 ms UI timer meanwhile, beside
// that of the same timer with the UI thread idle (what the machine's load alone does).
//   bench_download [megabytes] [--load cpu|disk]   (default 512, no load)
// --load cpu keeps every core busy with a shell loop, --load disk keeps a dd writing and
// flushing 1 GB files beside the download, for the whole run.
#include "net/http_transfer.h"
#include "silent_reporter.h"
#include "support/http_test_server.h"
#include "sync/download_video.h"
#include "sync/failed_downloads.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace zepril;

namespace {

qint64 statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qsizetype(strlen(key))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Resets the peak resident size so that VmHWM afterwards covers only what follows.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

bool makeSource(const QString& path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 written = 0, n = 0; written < bytes; written += block.size(), ++n) {
        for (qsizetype i = 0; i < block.size(); i += 8)
            memcpy(block.data() + i, &n, sizeof n), block[i + 7] = char(i);
        // The download keeps only what starts like a video: an MP4 file-type box.
        if (n == 0) {
            static const char kFileType[] = "\0\0\0\x18"
                                            "ftypisom\0\0\x02\0"
                                            "isomiso2";
            memcpy(block.data(), kFileType, sizeof kFileType - 1);
        }
        const qint64 size = std::min<qint64>(block.size(), bytes - written);
        if (file.write(block.constData(), size) != size)
            return false;
    }
    return true;
}

bool sameContent(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    }
    return true;
}

struct Result {
    double seconds = 0;
    double mbPerS = 0;
};

}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("zepril.*.info=false"));
    qint64 megabytes = 512;
    QString load;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--load" && i + 1 < argc)
            load = QString::fromLatin1(argv[++i]);
        else
            megabytes = QByteArray(argv[i]).toLongLong();
    }
    if (megabytes <= 0 || (!load.isEmpty() && load != u"cpu" && load != u"disk")) {
        std::fprintf(stderr, "usage: bench_download [megabytes] [--load cpu|disk]\n");
        return 2;
    }
    const qint64 size = megabytes * 1024 * 1024;

    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-download-XXXXXX"));
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    if (!dir.isValid() || !makeSource(source, size)) {
        std::fprintf(stderr, "cannot write the %lld MB source file\n", static_cast<long long>(megabytes));
        return 1;
    }

    // The server reads the file piece by piece, so its memory stays out of the figures.
    test::TestHttpServer server;
    const int fd = ::open(QFile::encodeName(source).constData(), O_RDONLY);
    server.handle(QStringLiteral("/videos/night/big.bin"),
                  [fd, size](const httplib::Request&, httplib::Response& response) {
                      response.set_content_provider(size_t(size), "application/octet-stream",
                                                    [fd](size_t offset, size_t length, httplib::DataSink& sink) {
                                                        std::vector<char> buffer(std::min<size_t>(length, 256 * 1024));
                                                        const ssize_t got =
                                                            ::pread(fd, buffer.data(), buffer.size(), off_t(offset));
                                                        if (got <= 0)
                                                            return false;
                                                        sink.write(buffer.data(), size_t(got));
                                                        return true;
                                                    });
                  });
    const QString url = server.baseUrl() + QStringLiteral("/videos/night/big.bin");

    // Each load runs in a process group of its own, so that the dd a shell loop started
    // goes with it.
    std::vector<std::unique_ptr<QProcess>> loads;
    auto startLoad = [&](const QString& script) {
        auto process = std::make_unique<QProcess>();
        process->setChildProcessModifier([] { ::setpgid(0, 0); });
        process->start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
        if (process->waitForStarted())
            loads.push_back(std::move(process));
    };
    if (load == u"cpu") {
        for (int core = 0; core < QThread::idealThreadCount(); ++core)
            startLoad(QStringLiteral("while :; do :; done"));
    } else if (load == u"disk") {
        startLoad(
            QStringLiteral("while :; do dd if=/dev/zero of='%1' bs=1M count=1024 conv=fdatasync 2>/dev/null; done")
                .arg(dir.filePath(QStringLiteral("load.bin"))));
    }
    std::printf("load: %s\n",
                load.isEmpty()       ? "none"
                    : load == u"cpu" ? qPrintable(QStringLiteral("%1 busy shell loops").arg(loads.size()))
                                     : "dd writing and flushing 1 GB files");

    // downloadVideo flushes each finished file to the disk before it leaves the journal;
    // the plain curl figure does not, so the same flush is also timed after curl.
    auto runCurl = [&](bool flush) -> Result {
        const QString out = dir.filePath(QStringLiteral("curl.bin"));
        QFile::remove(out);
        QElapsedTimer clock;
        clock.start();
        int rc = QProcess::execute(QStringLiteral("curl"), {"-s", "-f", "-H", "Range: bytes=0-", "-o", out, url});
        if (rc == 0 && flush)
            rc = QProcess::execute(QStringLiteral("sync"), {"--data", out});
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        if (rc != 0 || QFileInfo(out).size() != size)
            std::fprintf(stderr, "curl failed (exit %d)\n", rc);
        QFile::remove(out);
        return {seconds, double(megabytes) / seconds};
    };

    qint64 worstLatenessMs = 0;
    double worstAtS = 0, worstOfS = 0;
    std::vector<qint64> latenesses; // every tick of every downloadVideo run
    qint64 growthKb = 0;
    QString lastText;
    bool identical = false;
    auto runDownloadFile = [&]() -> Result {
        const QString out = dir.filePath(QStringLiteral("download.bin"));
        QFile::remove(out);
        HttpTransfer http;
        SilentReporter reporter;
        QDir(dir.path()).mkpath(QStringLiteral("cfg"));
        FailedDownloads failed{ProgramPaths(dir.path())};
        DownloadContext ctx{http, reporter, failed};

        QElapsedTimer sinceTick;
        QElapsedTimer clock;
        qint64 lateness = 0;
        double latenessAtS = 0;
        auto tick = [&] {
            const qint64 late = sinceTick.elapsed() - 15;
            latenesses.push_back(late);
            if (late > lateness)
                lateness = late, latenessAtS = double(clock.elapsed()) / 1000.0;
            sinceTick.restart();
        };
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(15);
        QObject::connect(&timer, &QTimer::timeout, tick);

        QCoreApplication::processEvents();
        resetPeak();
        const qint64 baseKb = statusKb("VmRSS:");
        timer.start();
        sinceTick.start();
        clock.start();
        const bool ok = downloadVideo(ctx, url, out, QStringLiteral("big.bin"));
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        // A tick held back until the very end counts too.
        tick();
        timer.stop();
        growthKb = std::max(growthKb, statusKb("VmHWM:") - baseKb);
        if (lateness > worstLatenessMs)
            worstLatenessMs = lateness, worstAtS = latenessAtS, worstOfS = seconds;
        lastText = reporter.last;
        identical = ok && sameContent(source, out);
        if (!ok)
            std::fprintf(stderr, "downloadVideo failed\n");
        QFile::remove(out);
        return {seconds, double(megabytes) / seconds};
    };

    // The same timer with the UI thread idle, for as long as a download took: what the
    // machine's load alone does to it, beside what the download adds.
    qint64 idleWorstMs = 0;
    auto runIdle = [&](double seconds) {
        QElapsedTimer sinceTick;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(15);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            idleWorstMs = std::max(idleWorstMs, sinceTick.elapsed() - 15);
            sinceTick.restart();
        });
        QEventLoop loop;
        QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
        timer.start();
        sinceTick.start();
        loop.exec();
    };

    // Alternate the two so that neither always finds the warmer caches; keep the best.
    // Each run starts with no dirty pages left by the one before.
    auto settle = [] { QProcess::execute(QStringLiteral("sync"), {}); };
    Result curlBest, curlSyncBest, ourBest;
    for (int round = 0; round < 3; ++round) {
        settle();
        const Result c = runCurl(false);
        settle();
        const Result d = runDownloadFile();
        runIdle(d.seconds);
        settle();
        const Result s = runCurl(true);
        std::printf("round %d: curl %.1f MB/s (%.2f s), downloadVideo %.1f MB/s (%.2f s), curl + sync --data %.1f MB/s "
                    "(%.2f s)\n",
                    round + 1, c.mbPerS, c.seconds, d.mbPerS, d.seconds, s.mbPerS, s.seconds);
        if (c.mbPerS > curlBest.mbPerS)
            curlBest = c;
        if (s.mbPerS > curlSyncBest.mbPerS)
            curlSyncBest = s;
        if (d.mbPerS > ourBest.mbPerS)
            ourBest = d;
    }
    ::close(fd);
    for (const auto& process : loads) {
        ::kill(-pid_t(process->processId()), SIGKILL);
        process->waitForFinished();
    }

    std::printf("file: %lld MB from 127.0.0.1, content identical: %s, last progress text: \"%s\"\n",
                static_cast<long long>(megabytes), identical ? "yes" : "NO", qPrintable(lastText));
    std::printf("curl command line: %.1f MB/s\n", curlBest.mbPerS);
    std::printf("downloadVideo:      %.1f MB/s\n", ourBest.mbPerS);
    std::printf("curl + sync --data: %.1f MB/s\n", curlSyncBest.mbPerS);
    std::printf("ratio:             %.2f x curl (target >= 0.9)\n", ourBest.mbPerS / curlBest.mbPerS);
    std::printf("ratio:             %.2f x curl + sync --data (the same work: the file on disk)\n",
                ourBest.mbPerS / curlSyncBest.mbPerS);
    std::printf("peak memory growth during downloadVideo: %.1f MB (target < 32)\n", double(growthKb) / 1024.0);
    std::sort(latenesses.begin(), latenesses.end());
    auto percentile = [&](double p) { return latenesses[size_t(p * double(latenesses.size() - 1))]; };
    std::printf(
        "lateness of a 15 ms UI timer during downloadVideo: median %lld ms, 99th percentile %lld ms over %zu ticks\n",
        static_cast<long long>(percentile(0.5)), static_cast<long long>(percentile(0.99)), latenesses.size());
    std::printf("worst lateness of a 15 ms UI timer during downloadVideo: %lld ms at %.2f s of %.2f s (target < 20)\n",
                static_cast<long long>(worstLatenessMs), worstAtS, worstOfS);
    std::printf("worst lateness of the same timer with the UI thread idle, as long after each download: %lld ms\n",
                static_cast<long long>(idleWorstMs));
    return identical ? 0 : 1;
}
