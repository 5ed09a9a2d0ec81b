#include "net/http_fetch.h"

#include "core/logging.h"
#include "core/off_thread.h"
#include "core/timings.h"
#include "net/curl_easy.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace zepril {

namespace {

struct Body {
    QByteArray bytes;
    qint64 maxBytes = 0;
    bool tooLarge = false;
};

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto* body = static_cast<Body*>(user);
    const size_t length = size * count;
    if (body->maxBytes > 0 && body->bytes.size() + qint64(length) > body->maxBytes) {
        body->tooLarge = true;
        return 0; // libcurl stops the transfer
    }
    body->bytes.append(data, qsizetype(length));
    return length;
}

// The URL as it goes on the wire, except that a user:password never reaches the log.
QString forLog(const QString& url)
{
    const QUrl parsed(url);
    if (parsed.userInfo().isEmpty())
        return url;
    return parsed.toString(QUrl::RemoveUserInfo | QUrl::FullyEncoded);
}

QString writeBody(const QString& destination, const QByteArray& body)
{
    if (body.isEmpty()) {
        keepOrCreateEmpty(destination);
        return {};
    }
    QSaveFile file(destination);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(destination, file.errorString());
    if (file.write(body) != body.size() || !file.commit())
        return QStringLiteral("cannot write %1: %2").arg(destination, file.errorString());
    return {};
}

FetchResult fetchInPlace(const QString& url, const QString& destination, const HttpOptions& options)
{
    FetchResult outcome;
    curl::Easy easy;
    if (!easy) {
        outcome.error = QStringLiteral("cannot create an HTTP handle");
        keepOrCreateEmpty(destination);
        qCWarning(lcNet) << "GET" << forLog(url) << "failed:" << outcome.error;
        return outcome;
    }

    // The local cache of a proxy or of the system must never answer in place of the
    // server: both headers, for HTTP/1.1 and for HTTP/1.0 caches.
    curl::StringList headerList;
    headerList.append("Cache-Control: no-cache");
    headerList.append("Pragma: no-cache");

    Body body;
    body.maxBytes = options.maxBytes;
    easy.setWebUrl(url.toUtf8());
    easy.set(CURLOPT_HTTPGET, 1L);
    // An error page is never content: libcurl stops at a status of 400 or more
    // without handing over the body.
    easy.set(CURLOPT_FAILONERROR, 1L);
    easy.set(CURLOPT_HTTPHEADER, headerList.get());
    easy.set(CURLOPT_WRITEFUNCTION, onBody);
    easy.set(CURLOPT_WRITEDATA, &body);
    if (options.maxBytes > 0) // refused at once when the announced length is already too long
        easy.set(CURLOPT_MAXFILESIZE_LARGE, curl_off_t(options.maxBytes));

    const curl::Outcome done = easy.perform({options.connectTimeoutMs, options.idleTimeoutMs, options.deadlineMs});

    long status = 0;
    curl_easy_getinfo(easy.handle(), CURLINFO_RESPONSE_CODE, &status);
    outcome.status = int(status);
    outcome.bytes = body.bytes.size();
    if (const char* type = nullptr; curl_easy_getinfo(easy.handle(), CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        outcome.contentType = QByteArray(type);

    if (body.tooLarge || done.code == CURLE_FILESIZE_EXCEEDED)
        outcome.error = QStringLiteral("answer larger than %1 bytes").arg(options.maxBytes);
    else if (done.code == CURLE_HTTP_RETURNED_ERROR)
        outcome.error = QStringLiteral("HTTP status %1").arg(status);
    else if (!done.ok())
        outcome.error = done.error;
    else if (status < 200 || status > 299)
        outcome.error = QStringLiteral("HTTP status %1").arg(status);
    else if (options.acceptAnswer)
        outcome.error = options.acceptAnswer(outcome.contentType, body.bytes);

    if (outcome.error.isEmpty()) {
        outcome.error = writeBody(destination, body.bytes);
        outcome.ok = outcome.error.isEmpty();
    } else {
        keepOrCreateEmpty(destination);
    }

    if (outcome.ok)
        qCInfo(lcNet).noquote() << "GET" << forLog(url) << "status" << outcome.status << "bytes" << outcome.bytes
                                << "stored in" << destination;
    else
        qCWarning(lcNet).noquote() << "GET" << forLog(url) << "status" << outcome.status << "bytes" << outcome.bytes
                                   << "failed:" << outcome.error;
    return outcome;
}

}

HttpOptions HttpOptions::fromTimings(const Timings& timings)
{
    HttpOptions o;
    o.connectTimeoutMs = timings.httpConnectTimeoutMs;
    o.idleTimeoutMs = timings.httpIdleTimeoutMs;
    o.deadlineMs = timings.fetchDeadlineMs;
    return o;
}

void keepOrCreateEmpty(const QString& destination)
{
    if (QFileInfo::exists(destination))
        return;
    QFile file(destination);
    if (!file.open(QIODevice::WriteOnly))
        qCWarning(lcNet) << "cannot create" << destination << ":" << file.errorString();
}

FetchResult fetchToFile(const QString& url, const QString& destination, const HttpOptions& options)
{
    curl::globalInit(); // on the caller's thread, before a worker may need it
    // The clock, the banner and the player live on this thread: they keep running while
    // the worker waits for the server.
    return runOffThread([&] { return fetchInPlace(url, destination, options); });
}

}
