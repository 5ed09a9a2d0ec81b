#pragma once
// One transfer as values, for the HTTP and the FTP engines alike: what is asked for,
// what came back, and the steps a transfer goes through on its way.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace zepril {

// In the order a transfer goes through them; the operator's status bar has a text for each.
enum class TransferState {
    Idle,
    Resolving,
    Resolved,
    Connecting,
    Connected,
    Requesting,
    RequestSent,
    ReceivingResponse,
    ResponseReceived,
    Disconnecting,
    Disconnected,
    Failed,
    Completed,
};

struct TransferRequest {
    QString method = QStringLiteral("GET");
    QString url = {};
    qint64 rangeFrom = -1; // the bytes from this offset on; -1: no range asked for
    QString ifRange = {};  // the range only while the resource still has this ETag or date
    int timeoutS = 0;      // to connect, and the longest silence; 0: the engine's timings
};

struct TransferResult {
    int status = 0; // HTTP status, 0 while none came
    // The response headers the callers judge it by, as sent; empty when absent.
    QString contentType;
    QString contentLength;
    QString contentRange;
    QString etag;
    QString lastModified;
    qint64 bytes = 0; // body bytes received so far
    QString error;    // why it failed or was refused; empty otherwise
    bool ended = false;
    bool cut = false; // ended before the whole response arrived
    bool succeeded() const { return ended && !cut && status >= 200 && status < 300; }
};

}
