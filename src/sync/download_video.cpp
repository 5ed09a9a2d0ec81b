#include "sync/download_video.h"

#include "core/event_wait.h"
#include "core/list_file.h"
#include "core/logging.h"
#include "core/startup_reporter.h"
#include "net/transfer_control.h"
#include "sync/background_file_writer.h"
#include "sync/failed_downloads.h"
#include "sync/media_check.h"
#include "sync/progress_text.h"
#include "sync/video_versions.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include <utility>

namespace zepril {

namespace {

// Large reads keep a fast local link at disk speed; the progress is refreshed by time.
constexpr int kReadSize = 256 * 1024;
constexpr int kYieldEveryMs = 5;

// Sleeps in the event loop until the control has the response (or has failed).
void waitForResponse(TransferControl& transfer)
{
    EventSleeper sleeper;
    QObject::connect(&transfer, &TransferControl::stateReached, &sleeper, &EventSleeper::wake);
    while (transfer.awaitingResponse() && sleeper.sleep() == EventSleeper::End::Woken) {
    }
}

// The rest of the response is of no use: stop it where the control can be stopped,
// then drain whatever is left so that the control is free for the next request.
void abandonTransfer(TransferControl& transfer)
{
    transfer.cancel();
    while (!transfer.readBody(kReadSize).isEmpty()) {
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

// "bytes S-E/T" (T may be "*": unknown); nullopt when the header says anything else.
struct ContentRange {
    qint64 first = 0;
    qint64 last = 0;
    qint64 total = -1;
};
std::optional<ContentRange> parseContentRange(const QString& header)
{
    static const QRegularExpression form(QStringLiteral("^\\s*bytes\\s+(\\d+)-(\\d+)/(\\d+|\\*)\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(header);
    if (!match.hasMatch())
        return std::nullopt;
    ContentRange range{match.captured(1).toLongLong(), match.captured(2).toLongLong(),
                       match.captured(3) == u'*' ? -1 : match.captured(3).toLongLong()};
    if (range.last < range.first || (range.total >= 0 && range.last >= range.total))
        return std::nullopt;
    return range;
}

QString megabytes(qint64 bytes) { return QString::number(double(bytes) / 1048576.0, 'f', 1) + QStringLiteral(" MB"); }

}

bool downloadVideo(DownloadContext& ctx, const QString& url, const QString& destination, const QString& fileName)
{
    const QString partialPath = partialPathFor(destination);
    BackgroundFileWriter file;
    bool opened = false;
    // keepPartial: what reached the disk is good and the server can give the rest.
    auto fail = [&](const QString& reason, bool keepPartial = false) {
        if (keepPartial) {
            if (opened)
                file.finish(); // the bytes kept must be on the disk before anything relies on them
        } else {
            file.abandon();
            if (QFileInfo::exists(partialPath) && !QFile::remove(partialPath))
                qCWarning(lcSync) << "cannot delete the partial file" << partialPath;
            ctx.failedDownloads.forget(partialPath);
        }
        ctx.failedDownloads.noteFailedDownload(destination);
        qCWarning(lcSync).noquote() << "download failed:" << url << "->" << destination << ":" << reason
                                    << (keepPartial
                                            ? QStringLiteral("(partial file kept, the rest is asked for next time)")
                                            : QString());
        return false;
    };
    // The partial file cannot be continued: it goes, and the whole file is asked for.
    auto startOver = [&](const QString& reason) {
        abandonTransfer(ctx.transfer);
        qCInfo(lcSync).noquote() << url << ":" << reason << "- starting over";
        QFile::remove(partialPath);
        ctx.failedDownloads.forget(partialPath);
        return downloadVideo(ctx, url, destination, fileName);
    };

    // What an earlier attempt left: only resumed when the server can vouch that its bytes
    // are still those of the file (If-Range), and when they passed the media check.
    const std::optional<RemoteVersion> earlier = ctx.failedDownloads.partial(partialPath);
    const qint64 partialSize = QFileInfo(partialPath).size();
    qint64 offset = 0;
    if (earlier && !earlier->ifRangeValidator().isEmpty() && partialSize >= kMediaCheckBytes
        && (earlier->size < 0 || partialSize < earlier->size) && earlier->url == url)
        offset = partialSize;
    // A fresh download asks for the whole resource from its first byte all the same.
    TransferRequest request{.url = url, .rangeFrom = offset, .timeoutS = ctx.requestTimeoutS};
    if (offset > 0) {
        request.ifRange = earlier->ifRangeValidator();
        qCInfo(lcSync).noquote() << "resuming" << url << "from byte" << offset;
    }

    letEventsRun();
    if (!ctx.transfer.start(request))
        return fail(QStringLiteral("request refused: ") + ctx.transfer.result().error, true);
    waitForResponse(ctx.transfer);

    // A server that is down for now leaves an earlier partial file as it is.
    const TransferResult response = ctx.transfer.result();
    const int status = response.status;
    if (status == 0) {
        abandonTransfer(ctx.transfer);
        return fail(QStringLiteral("no response: ") + ctx.transfer.result().error, true);
    }
    if (status == 416 && offset > 0) {
        return startOver(QStringLiteral("the server refused the rest from byte %1").arg(offset));
    }
    if (status != 200 && status != 206) {
        abandonTransfer(ctx.transfer);
        return fail(QStringLiteral("HTTP status %1").arg(status), status >= 500);
    }
    const QString textType = textTypeReason(response.contentType);
    if (!textType.isEmpty()) {
        abandonTransfer(ctx.transfer);
        return fail(textType);
    }

    RemoteVersion version{url, -1, response.etag.trimmed(), response.lastModified.trimmed()};
    const Length announced = announcedLength(response.contentLength);
    // Where this answer's bytes go in the file, and how many it owes.
    qint64 writeFrom = 0;
    qint64 owed = announced.present ? qint64(announced.value) : -1;
    if (status == 206) {
        const QString& header = response.contentRange;
        const std::optional<ContentRange> range = parseContentRange(header);
        const qint64 rangeLength = range ? range->last - range->first + 1 : 0;
        QString wrong;
        if (!range || range->first != offset || range->total < 0)
            wrong = QStringLiteral("206 with Content-Range \"%1\" for a request from byte %2").arg(header).arg(offset);
        else if (announced.present && owed != rangeLength)
            wrong = QStringLiteral("Content-Length %1 does not match Content-Range \"%2\"").arg(owed).arg(header);
        // The bytes of such an answer cannot be placed; a resume that gets one asks for
        // the whole file instead of getting the same answer at every attempt.
        if (!wrong.isEmpty() && offset > 0)
            return startOver(wrong);
        if (!wrong.isEmpty()) {
            abandonTransfer(ctx.transfer);
            return fail(wrong);
        }
        if (offset > 0 && earlier->size >= 0 && range->total != earlier->size) {
            return startOver(QStringLiteral("the file is now %1 bytes, not %2").arg(range->total).arg(earlier->size));
        }
        writeFrom = range->first;
        owed = rangeLength;
        version.size = range->total;
    } else {
        version.size = owed;
        if (offset > 0)
            qCInfo(lcSync).noquote()
                << url << "changed since the partial download, or the server cannot resume: starting over";
    }
    if (offset > 0 && status == 206 && !earlier->etag.isEmpty() && !version.etag.isEmpty()
        && version.etag != earlier->etag) {
        return startOver(QStringLiteral("ETag %1 became %2").arg(earlier->etag, version.etag));
    }

    // A disk that cannot hold the video is left as it is: a download that fails half-way
    // would only fill it, at every start-up.
    const QString folder = QFileInfo(destination).absolutePath();
    const qint64 needed = std::max<qint64>(owed, 0) + ctx.freeSpaceMargin;
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.bytesAvailable() < needed) {
        abandonTransfer(ctx.transfer);
        ctx.failedDownloads.noteFailedDownload(destination);
        qCCritical(lcSync).noquote() << "download skipped, not enough free space in" << folder << ":" << fileName
                                     << "needs" << owed << "bytes +" << ctx.freeSpaceMargin << "margin =" << needed
                                     << "bytes (" << megabytes(needed) << "), only" << storage.bytesAvailable()
                                     << "bytes (" << megabytes(storage.bytesAvailable()) << ") free";
        return false;
    }

    letEventsRun();
    ctx.reporter.setStatus(QStringLiteral("TELECHARGEMENT [ ") + fileName + QStringLiteral(" ]"));
    letEventsRun();

    // Journaled before the first byte lands, with what the server said, so that a cut or
    // a power cut mid-transfer leaves enough for the next attempt to ask for the rest. A
    // journal that cannot be written does not stop the download: a read-only cfg would
    // otherwise stop every video for good.
    if (!ctx.failedDownloads.begin(partialPath, version))
        qCWarning(lcSync) << "downloading" << destination << "without a journal entry";

    if (!file.open(partialPath, writeFrom > 0)) {
        abandonTransfer(ctx.transfer);
        return fail(QStringLiteral("cannot create the file: ") + file.errorString());
    }
    opened = true;

    const double total = version.size >= 0 ? double(version.size) : (announced.present ? announced.value : 0);
    ctx.reporter.setProgressRange(0, total);
    qint64 received = 0;
    QElapsedTimer sinceRefresh;
    sinceRefresh.start();
    QElapsedTimer sinceYield;
    sinceYield.start();
    auto showProgress = [&] {
        ctx.reporter.setFileSize(progressText(double(writeFrom + received), total));
        ctx.reporter.setProgressValue(double(writeFrom + received));
    };

    // The first bytes are held back until they show a media container, so that a page
    // served in place of the video is given up on its first chunk, never written whole.
    // A resumed file's first bytes passed that check when they were written.
    QByteArray head;
    bool checked = writeFrom > 0;
    auto checkHead = [&]() -> QString {
        checked = true;
        return notAVideoReason(head);
    };
    auto store = [&](const QByteArray& bytes) {
        if (!file.write(bytes))
            return false;
        received += bytes.size();
        return true;
    };

    for (;;) {
        QByteArray chunk = ctx.transfer.readBody(kReadSize);
        if (chunk.isEmpty())
            break;
        if (!checked) {
            head += chunk;
            if (head.size() < kMediaCheckBytes)
                continue;
            if (const QString reason = checkHead(); !reason.isEmpty()) {
                abandonTransfer(ctx.transfer);
                return fail(reason);
            }
            chunk = std::exchange(head, {});
        }
        if (!store(chunk)) {
            const QString reason = QStringLiteral("cannot write the file: ") + file.errorString();
            abandonTransfer(ctx.transfer);
            return fail(reason);
        }
        if (sinceRefresh.elapsed() >= ctx.progressRefreshMs) {
            showProgress();
            sinceRefresh.restart();
        }
        // While bytes are buffered readBody never waits, nor does the writer while the
        // disk keeps up, so the event loop is served here, often enough for a 15 ms timer.
        if (sinceYield.elapsed() >= kYieldEveryMs) {
            letEventsRun();
            sinceYield.restart();
        }
    }

    // A body shorter than the check wants is judged on what there is (an empty one too);
    // the bytes of a broken one are not kept.
    if (!checked) {
        if (const TransferResult end = ctx.transfer.result(); !end.succeeded())
            return fail(QStringLiteral("transfer broken after %1 bytes: %2").arg(head.size()).arg(end.error));
        if (const QString reason = checkHead(); !reason.isEmpty())
            return fail(reason);
        if (!store(head))
            return fail(QStringLiteral("cannot write the file: ") + file.errorString());
    }

    // On disk before the journal lets go of it: after a power cut a file that the
    // journal no longer names must be whole, since nothing would fetch it again.
    if (!file.finish())
        return fail(QStringLiteral("cannot write the file: ") + file.errorString());
    opened = false;
    if (total <= 0)
        ctx.reporter.setProgressRange(0, double(writeFrom + received));
    showProgress();

    const qint64 onDisk = QFileInfo(partialPath).size();
    if (onDisk != writeFrom + received)
        return fail(QStringLiteral("%1 bytes on disk, %2 expected").arg(onDisk).arg(writeFrom + received));
    // Bytes that arrived in order from the right place are worth keeping when the server
    // can vouch for them next time; without a validator they start over.
    const bool resumable = !version.ifRangeValidator().isEmpty() && version.size > 0;
    if (const TransferResult end = ctx.transfer.result(); !end.succeeded())
        return fail(QStringLiteral("transfer broken after %1 bytes: %2").arg(received).arg(end.error), resumable);
    if (owed >= 0 && received != owed)
        return fail(QStringLiteral("%1 bytes received, %2 announced").arg(received).arg(owed),
                    resumable && received < owed);
    if (version.size >= 0 && onDisk != version.size)
        return fail(
            QStringLiteral("the server sent bytes %1-%2 of %3").arg(writeFrom).arg(onDisk - 1).arg(version.size),
            resumable && onDisk < version.size);

    // One rename: a player that has the old copy open keeps it; the next opening gets the new.
    if (std::rename(QFile::encodeName(partialPath).constData(), QFile::encodeName(destination).constData()) != 0)
        return fail(QStringLiteral("cannot rename %1 to %2: %3")
                        .arg(partialPath, destination, QString::fromLocal8Bit(strerror(errno))));
    ctx.failedDownloads.complete(partialPath, destination);
    version.size = onDisk;
    if (ctx.versions)
        ctx.versions->record(destination, version);
    qCInfo(lcSync).noquote() << "downloaded" << url << "->" << destination << onDisk << "bytes"
                             << (writeFrom > 0 ? QStringLiteral("(%1 resumed)").arg(received) : QString());
    return true;
}

}
