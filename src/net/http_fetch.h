#pragma once
// The player's plain HTTP download: one GET, past every cache, into a local file that
// is only touched once the whole body has arrived.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

namespace zepril {

struct Timings;

// Bounds of one fetch; call sites fill them from Timings and add the cap of the kind
// of file they fetch.
struct HttpOptions {
    int connectTimeoutMs = 5000; // to establish the connection
    int idleTimeoutMs = 10000;   // longest silence of the server once asked
    int deadlineMs = 20000;      // the whole fetch, however the server paces it
    qint64 maxBytes = 0;         // a longer body is a failed fetch; 0: no cap
    // Judges a complete answer before it is stored: a reason (what came back instead of
    // what was asked for) makes it a failed fetch. Empty: every success is stored.
    std::function<QString(const QByteArray& contentType, const QByteArray& body)> acceptAnswer = {};

    static HttpOptions fromTimings(const Timings& timings);
};

struct FetchResult {
    bool ok = false;             // a success status and the whole body arrived
    int status = 0;              // final HTTP status, 0 when no answer came
    qint64 bytes = 0;            // body bytes received
    QString error;               // reason of the failure, empty on success
    QByteArray contentType = {}; // as the server declared it, empty when it did not
};

// Fetches url into destination. On success the destination holds exactly the body
// (replaced atomically; an empty body leaves an existing file as it was). On any
// failure - no answer, a status that is not a success, a body cut short or too long, a
// timeout - nothing is written: an existing destination keeps its content and a
// missing one is created empty, so readers always find a file.
//
// Returns only when the fetch is over. Called on a thread that runs an event loop (the
// UI thread), the transfer runs on a worker thread while a local event loop keeps the
// timers, the repaints and the player's events going; elsewhere it runs in place.
FetchResult fetchToFile(const QString& url, const QString& destination, const HttpOptions& options = {});

// The file contract of a failed fetch: an existing destination keeps its content, a
// missing one is created empty, so that readers always find the file.
void keepOrCreateEmpty(const QString& destination);

}
