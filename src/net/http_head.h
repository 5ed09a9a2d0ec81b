#pragma once
// What the server says of a file without sending it (a HEAD request), so that a video
// replaced on the server under the same name can be told from the copy on disk.
#include "net/http_fetch.h"

#include <QByteArray>
#include <QString>

namespace zepril {

struct RemoteHead {
    bool ok = false; // a success status came back
    int status = 0;
    qint64 length = -1;   // Content-Length; -1: not announced
    QString etag;         // as sent, quotes included
    QString lastModified; // as sent
    QString error;
};

// Off the UI thread as fetchToFile is; bounded by options' timeouts and deadline.
RemoteHead fetchHead(const QString& url, const HttpOptions& options);

}
