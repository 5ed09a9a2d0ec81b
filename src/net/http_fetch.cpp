#include "net/http_fetch.h"

#include "core/logging.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace zepril {

namespace {

// Ten characters, as the update server's logs have always seen from the players.
constexpr char kUserAgent[] = "ZEPRIL/1.0";
constexpr long kMaxRedirects = 5;
constexpr int kPollSliceMs = 50;

void ensureCurlInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct Transfer {
    QByteArray body;
    QElapsedTimer sinceActivity;
};

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    transfer->body.append(data, qsizetype(length));
    transfer->sinceActivity.restart();
    return length;
}

size_t onHeader(char*, size_t size, size_t count, void* user)
{
    static_cast<Transfer*>(user)->sinceActivity.restart();
    return size * count;
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

// Runs the transfer through the multi interface so that the server's silence can be
// bounded in milliseconds; the easy interface's low-speed check counts whole seconds.
CURLcode perform(CURL* easy, Transfer& transfer, int idleTimeoutMs, bool& idleExpired)
{
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi)
        return CURLE_OUT_OF_MEMORY;
    curl_multi_add_handle(multi.get(), easy);
    transfer.sinceActivity.start();
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            result = CURLE_RECV_ERROR;
            break;
        }
        int queued = 0;
        bool finished = false;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
            if (message->msg == CURLMSG_DONE) {
                result = message->data.result;
                finished = true;
            }
        }
        if (finished || running == 0)
            break;
        if (transfer.sinceActivity.elapsed() > idleTimeoutMs) {
            idleExpired = true;
            result = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        curl_multi_poll(multi.get(), nullptr, 0, kPollSliceMs, nullptr);
    }
    curl_multi_remove_handle(multi.get(), easy);
    return result;
}

}

void keepOrCreateEmpty(const QString& destination)
{
    if (QFileInfo::exists(destination))
        return;
    QFile file(destination);
    if (!file.open(QIODevice::WriteOnly))
        qCWarning(lcNet) << "cannot create" << destination << ":" << file.errorString();
}

FetchResult HttpGetToFile(const QString& url, const QString& destination, const HttpOptions& options)
{
    ensureCurlInitialised();
    FetchResult outcome;

    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        outcome.error = QStringLiteral("cannot create an HTTP handle");
        keepOrCreateEmpty(destination);
        qCWarning(lcNet) << "GET" << forLog(url) << "failed:" << outcome.error;
        return outcome;
    }

    // The local cache of a proxy or of the system must never answer in place of the
    // server: both headers, for HTTP/1.1 and for HTTP/1.0 caches.
    curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    std::unique_ptr<curl_slist, ListDeleter> headerList(headers);

    Transfer transfer;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const QByteArray encodedUrl = url.toUtf8();
    CURL* handle = easy.get();
    curl_easy_setopt(handle, CURLOPT_URL, encodedUrl.constData());
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
    // An error page is never content: libcurl stops at a status of 400 or more
    // without handing over the body.
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headerList.get());
    curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, long(qMax(1, options.connectTimeoutMs)));
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
    // No proxy option is set on purpose: libcurl then takes the system's proxy from
    // http_proxy, https_proxy and no_proxy, the way the kiosk's network is configured.

    bool idleExpired = false;
    const CURLcode code = perform(handle, transfer, qMax(1, options.idleTimeoutMs), idleExpired);

    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    outcome.status = int(status);
    outcome.bytes = transfer.body.size();

    if (idleExpired)
        outcome.error = QStringLiteral("no data from the server for %1 ms").arg(options.idleTimeoutMs);
    else if (code == CURLE_HTTP_RETURNED_ERROR)
        outcome.error = QStringLiteral("HTTP status %1").arg(status);
    else if (code != CURLE_OK)
        outcome.error = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
    else if (status < 200 || status > 299)
        outcome.error = QStringLiteral("HTTP status %1").arg(status);

    if (outcome.error.isEmpty()) {
        outcome.error = writeBody(destination, transfer.body);
        outcome.ok = outcome.error.isEmpty();
    } else {
        keepOrCreateEmpty(destination);
    }

    if (outcome.ok)
        qCInfo(lcNet).noquote() << "GET" << forLog(url) << "status" << outcome.status << "bytes"
                                << outcome.bytes << "stored in" << destination;
    else
        qCWarning(lcNet).noquote() << "GET" << forLog(url) << "status" << outcome.status << "bytes"
                                   << outcome.bytes << "failed:" << outcome.error;
    return outcome;
}

}
