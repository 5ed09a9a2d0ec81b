#include "net/http_head.h"

#include "core/logging.h"
#include "core/off_thread.h"
#include "net/curl_easy.h"

namespace zepril {

namespace {

RemoteHead headInPlace(const QString& url, const HttpOptions& options)
{
    RemoteHead head;
    curl::Easy easy;
    easy.setWebUrl(url.toUtf8());
    easy.set(CURLOPT_NOBODY, 1L);
    // A cache between the player and the server must not hide a replaced video.
    curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    easy.set(CURLOPT_HTTPHEADER, headers);
    const curl::Outcome done = easy.perform({options.connectTimeoutMs, options.idleTimeoutMs, options.deadlineMs});
    long status = 0;
    curl_easy_getinfo(easy.handle(), CURLINFO_RESPONSE_CODE, &status);
    head.status = int(status);
    curl_slist_free_all(headers);
    if (!done.ok()) {
        head.error = done.error;
        return head;
    }
    if (status < 200 || status > 299) {
        head.error = QStringLiteral("HTTP status %1").arg(status);
        return head;
    }
    head.ok = true;
    curl_off_t length = -1;
    if (curl_easy_getinfo(easy.handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK)
        head.length = length;
    head.etag = QString::fromLatin1(easy.header("ETag").value_or(QByteArray()).trimmed());
    head.lastModified = QString::fromLatin1(easy.header("Last-Modified").value_or(QByteArray()).trimmed());
    return head;
}

}

RemoteHead fetchHead(const QString& url, const HttpOptions& options)
{
    curl::globalInit();
    const RemoteHead head = runOffThread([&] { return headInPlace(url, options); });
    if (!head.ok)
        qCInfo(lcNet).noquote() << "HEAD" << url << "failed:" << head.error;
    return head;
}

}
