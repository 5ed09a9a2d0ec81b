#pragma once
// One video fetched over HTTP into the local store, with the progress shown on the
// start-up window and every failure journaled so that no partial file is ever played.
#include <QString>
#include <QStringList>

namespace zepril {

class FailedDownloads;
class StartupReporter;
class TransferControl;

struct DownloadContext {
    TransferControl& inet2;            // the HTTP transfer control, used by this routine alone
    StartupReporter& reporter;         // status line, progress text and bar
    FailedDownloads& failedDownloads;  // the journal of downloads that did not complete
    int progressRefreshMs = 100;       // the progress follows the bytes at least this often
};

// The request header every download sends: the whole resource from its first byte.
inline constexpr char kRangeHeader[] = "Range: bytes=0-\r\n";

// Streams strURL into strDestination. True when the body arrived whole with a success
// status, looks like a video (no text type, first bytes of a media container) and every
// byte reached the disk. Otherwise the partial file is deleted and strDestination is
// recorded as a failure; it is journaled while the transfer runs too, so a run killed
// midway leaves the path for the next start-up to clean.
bool downloadVideo(DownloadContext& ctx, const QString& strURL, const QString& strDestination, const QString& myFile);

}
