#include "sync/download_video.h"

#include "core/list_file.h"
#include "core/logging.h"
#include "core/startup_reporter.h"
#include "net/transfer_control.h"
#include "sync/background_file_writer.h"
#include "sync/failed_downloads.h"
#include "sync/media_check.h"
#include "sync/progress_text.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>

#include <utility>

namespace zepril {

namespace {

// Large reads keep a fast local link at disk speed; the progress is refreshed by time.
constexpr int kReadSize = 256 * 1024;
constexpr int kYieldEveryMs = 5;

void yieldOnce() { QCoreApplication::processEvents(); }

// Sleeps in the event loop until the control has the response (or has failed).
void waitWhileExecuting(TransferControl& inet)
{
    while (inet.stillExecuting()) {
        QEventLoop loop;
        QObject::connect(&inet, &TransferControl::stateChanged, &loop, &QEventLoop::quit);
        if (!inet.stillExecuting())
            break;
        loop.exec();
    }
}

// The rest of the response is of no use: stop it where the control can be stopped,
// then drain whatever is left so that the control is free for the next request.
void abandonTransfer(TransferControl& inet)
{
    inet.cancel();
    while (!inet.getChunk(kReadSize).isEmpty()) {
    }
}

struct Length {
    bool present = false;
    double value = 0;
};

// Leading digits, as announced; absent or not a number reads as 0.
Length announcedLength(const QString& header)
{
    Length length;
    const QString text = header.trimmed();
    qsizetype digits = 0;
    while (digits < text.size() && text.at(digits).unicode() >= u'0' && text.at(digits).unicode() <= u'9')
        ++digits;
    if (digits == 0)
        return length;
    length.present = true;
    length.value = text.left(digits).toDouble();
    return length;
}

}

bool downloadVideo(DownloadContext& ctx, const QString& strURL, const QString& strDestination, const QString& myFile)
{
    bool created = false;
    BackgroundFileWriter file;
    auto fail = [&](const QString& reason) {
        file.abandon();
        if (QFile partial(strDestination); created && !partial.remove())
            qCWarning(lcSync) << "cannot delete the partial file" << strDestination << partial.errorString();
        ctx.failedDownloads.recordFailure(strDestination);
        qCWarning(lcSync) << "download failed:" << strURL << "->" << strDestination << ":" << reason;
        return false;
    };

    yieldOnce();
    ctx.inet2.setUrl(strURL);
    if (!ctx.inet2.execute(QStringLiteral("GET"), QString::fromLatin1(kRangeHeader)))
        return fail(QStringLiteral("request refused: ") + ctx.inet2.lastError());
    waitWhileExecuting(ctx.inet2);

    const int status = ctx.inet2.responseCode();
    if (status == 0) {
        abandonTransfer(ctx.inet2);
        return fail(QStringLiteral("no response: ") + ctx.inet2.lastError());
    }
    if (status < 200 || status >= 300) {
        abandonTransfer(ctx.inet2);
        return fail(QStringLiteral("HTTP status %1").arg(status));
    }

    const QString textType = textTypeReason(ctx.inet2.getHeader(QStringLiteral("Content-Type")));
    if (!textType.isEmpty()) {
        abandonTransfer(ctx.inet2);
        return fail(textType);
    }

    const Length announced = announcedLength(ctx.inet2.getHeader(QStringLiteral("Content-Length")));
    yieldOnce();
    ctx.reporter.setStatus(QStringLiteral("TELECHARGEMENT [ ") + myFile + QStringLiteral(" ]"));
    yieldOnce();

    // Journaled before the first byte lands, so that a power cut mid-transfer leaves
    // the path for the next start-up to delete. A journal that cannot be written does
    // not stop the download: a read-only cfg would otherwise stop every video for good.
    if (!ctx.failedDownloads.begin(strDestination))
        qCWarning(lcSync) << "downloading" << strDestination << "without a journal entry";

    if (!file.open(strDestination)) {
        abandonTransfer(ctx.inet2);
        return fail(QStringLiteral("cannot create the file: ") + file.errorString());
    }
    created = true;

    ctx.reporter.setProgressRange(0, announced.value);
    double received = 0;
    QElapsedTimer sinceRefresh;
    sinceRefresh.start();
    QElapsedTimer sinceYield;
    sinceYield.start();
    auto showProgress = [&] {
        ctx.reporter.setFileSize(progressText(received, announced.value));
        ctx.reporter.setProgressValue(received);
    };

    // The first bytes are held back until they show a media container, so that a page
    // served in place of the video is given up on its first chunk, never written whole.
    QByteArray head;
    bool checked = false;
    auto checkHead = [&]() -> QString {
        checked = true;
        return notAVideoReason(head);
    };
    auto store = [&](const QByteArray& bytes) {
        if (!file.write(bytes))
            return false;
        received += double(bytes.size());
        return true;
    };

    for (;;) {
        QByteArray chunk = ctx.inet2.getChunk(kReadSize);
        if (chunk.isEmpty())
            break;
        if (!checked) {
            head += chunk;
            if (head.size() < kMediaCheckBytes)
                continue;
            if (const QString reason = checkHead(); !reason.isEmpty()) {
                abandonTransfer(ctx.inet2);
                return fail(reason);
            }
            chunk = std::exchange(head, {});
        }
        if (!store(chunk)) {
            const QString reason = QStringLiteral("cannot write the file: ") + file.errorString();
            abandonTransfer(ctx.inet2);
            return fail(reason);
        }
        if (sinceRefresh.elapsed() >= ctx.progressRefreshMs) {
            showProgress();
            sinceRefresh.restart();
        }
        // While bytes are buffered getChunk never waits, nor does the writer while the
        // disk keeps up, so the event loop is served here, often enough for a 15 ms timer.
        if (sinceYield.elapsed() >= kYieldEveryMs) {
            yieldOnce();
            sinceYield.restart();
        }
    }

    // A body shorter than the check wants is judged on what there is (an empty one too);
    // a broken one is reported as broken below.
    if (!checked) {
        if (const QString reason = ctx.inet2.succeeded() ? checkHead() : QString(); !reason.isEmpty())
            return fail(reason);
        if (!store(head))
            return fail(QStringLiteral("cannot write the file: ") + file.errorString());
    }

    // On disk before the journal lets go of it: after a power cut a file that the
    // journal no longer names must be whole, since nothing would fetch it again.
    if (!file.finish())
        return fail(QStringLiteral("cannot write the file: ") + file.errorString());
    if (!announced.present)
        ctx.reporter.setProgressRange(0, received);
    showProgress();

    if (!ctx.inet2.succeeded())
        return fail(QStringLiteral("transfer broken after %1 bytes: %2").arg(received, 0, 'f', 0).arg(ctx.inet2.lastError()));
    const qint64 onDisk = QFileInfo(strDestination).size();
    if (onDisk != qint64(received))
        return fail(QStringLiteral("%1 bytes on disk, %2 received").arg(onDisk).arg(received, 0, 'f', 0));
    if (announced.present && received != announced.value)
        return fail(QStringLiteral("%1 bytes received, %2 announced").arg(received, 0, 'f', 0).arg(announced.value, 0, 'f', 0));

    ctx.failedDownloads.complete(strDestination);
    qCInfo(lcSync) << "downloaded" << strURL << "->" << strDestination << qint64(received) << "bytes";
    return true;
}

}
