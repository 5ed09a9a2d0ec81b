#pragma once
// One video fetched over HTTP into the local store, with the progress shown on the
// start-up window. The bytes collect in a hidden partial file beside the video (never
// listed, never played) and take the video's name in one rename once the server's own
// numbers say the file is whole, so a replaced video plays in its old form until then.
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

namespace zepril {

class FailedDownloads;
class StartupReporter;
class TransferControl;
class VideoVersions;

// Room left on the disk beyond the video itself: the journal, the logs and the system
// must still be able to write once a download has filled what it may.
inline constexpr qint64 kFreeSpaceMargin = 64 * 1024 * 1024;

struct DownloadContext {
    TransferControl& transfer;         // the HTTP transfer control, used by the download alone
    StartupReporter& reporter;         // status line, progress text and bar
    FailedDownloads& failedDownloads;  // the journal of downloads that did not complete
    int progressRefreshMs = 100;       // the progress follows the bytes at least this often
    VideoVersions* versions = nullptr; // what the server said of each whole download; none: not kept
    qint64 freeSpaceMargin = kFreeSpaceMargin;
    int requestTimeoutS = 0; // to connect and the longest silence; 0: the control's timings
};

// Streams url into destination. True when the body arrived whole with a success
// status (a 206 checked against its Content-Range, lengths and bytes written agreeing),
// looks like a video and every byte reached the disk; destination is then replaced
// in one rename. A transfer that is cut keeps its partial file and the server's
// validators in the journal, and the next call asks only for the rest (Range with
// If-Range); any other failure deletes the partial file. A video too large for the
// free space is skipped before a byte is written. destination is never touched on
// failure.
bool downloadVideo(DownloadContext& ctx, const QString& url, const QString& destination, const QString& fileName);

}
