#include "net/curl_easy.h"

#include <QElapsedTimer>

#include <mutex>

namespace zepril::curl {

namespace {

// How often a running request looks at its bounds and at the abort flag.
constexpr int kSliceMs = 50;

}

void globalInit()
{
    // curl_global_init is not thread-safe in every build of the library; once, before
    // any handle exists, it is.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

Easy::Easy()
{
    globalInit();
    m_handle = curl_easy_init();
    m_multi = curl_multi_init();
    if (!m_handle || !m_multi) {
        if (m_handle)
            curl_easy_cleanup(m_handle);
        if (m_multi)
            curl_multi_cleanup(m_multi);
        m_handle = nullptr;
        m_multi = nullptr;
        return;
    }
    applyShared();
}

Easy::~Easy()
{
    if (m_handle)
        curl_easy_cleanup(m_handle);
    if (m_multi)
        curl_multi_cleanup(m_multi);
}

void Easy::setWebUrl(const QByteArray& url)
{
    set(CURLOPT_URL, url.constData());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, 5L);
}

void Easy::reset()
{
    if (!m_handle)
        return;
    curl_easy_reset(m_handle);
    applyShared();
}

void Easy::applyShared()
{
    m_errorText[0] = '\0';
    curl_easy_setopt(m_handle, CURLOPT_USERAGENT, kUserAgent);
    // Timeouts are ours (see perform); libcurl must never raise SIGALRM in a threaded program.
    curl_easy_setopt(m_handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_handle, CURLOPT_ERRORBUFFER, m_errorText);
    if (m_connecting) {
        curl_easy_setopt(m_handle, CURLOPT_SOCKOPTFUNCTION, &Easy::onSocketOpened);
        curl_easy_setopt(m_handle, CURLOPT_SOCKOPTDATA, this);
    }
    // No proxy option is set on purpose: libcurl then takes the system's proxy from
    // http_proxy, https_proxy and no_proxy, the way the kiosk's network is configured.
}

Outcome Easy::perform(const Limits& limits, const std::atomic<bool>* abort)
{
    Outcome o;
    if (!m_handle) {
        o.code = CURLE_FAILED_INIT;
        o.error = QStringLiteral("libcurl could not be initialised");
        return o;
    }
    m_errorText[0] = '\0';
    const int idleMs = qMax(1, limits.idleTimeoutMs);
    curl_easy_setopt(m_handle, CURLOPT_CONNECTTIMEOUT_MS, long(qMax(1, limits.connectTimeoutMs)));
    // An FTP server's silence between replies is bounded by the same idle time.
    curl_easy_setopt(m_handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(qMax(1, (idleMs + 999) / 1000)));

    // The multi interface lets the silence and the deadline be measured in
    // milliseconds; the easy interface's low-speed check counts whole seconds and
    // averages, so a trickling server would hold on far longer than intended.
    curl_multi_add_handle(m_multi, m_handle);
    QElapsedTimer total;
    QElapsedTimer sinceActivity;
    total.start();
    sinceActivity.start();
    curl_off_t lastDown = -1;
    curl_off_t lastUp = -1;
    long lastHeaders = -1;
    bool done = false;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(m_multi, &running) != CURLM_OK) {
            o.code = CURLE_RECV_ERROR;
            break;
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                o.code = message->data.result;
                done = true;
            }
        }
        if (done || running == 0)
            break;
        curl_off_t down = 0;
        curl_off_t up = 0;
        long headers = 0;
        curl_easy_getinfo(m_handle, CURLINFO_SIZE_DOWNLOAD_T, &down);
        curl_easy_getinfo(m_handle, CURLINFO_SIZE_UPLOAD_T, &up);
        curl_easy_getinfo(m_handle, CURLINFO_HEADER_SIZE, &headers);
        if (down != lastDown || up != lastUp || headers != lastHeaders || m_activity) {
            lastDown = down;
            lastUp = up;
            lastHeaders = headers;
            m_activity = false;
            sinceActivity.restart();
        }
        if (abort && abort->load()) {
            o.aborted = true;
            o.code = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (sinceActivity.elapsed() > idleMs) {
            o.idleExpired = true;
            o.code = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        if (limits.deadlineMs > 0 && total.elapsed() > limits.deadlineMs) {
            o.deadlineExpired = true;
            o.code = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        curl_multi_poll(m_multi, nullptr, 0, kSliceMs, nullptr);
    }
    curl_multi_remove_handle(m_multi, m_handle);

    if (o.aborted || (abort && abort->load() && o.code != CURLE_OK))
        o.error = QStringLiteral("cancelled");
    else if (o.idleExpired)
        o.error = QStringLiteral("no data from the server for %1 ms").arg(idleMs);
    else if (o.deadlineExpired)
        o.error = QStringLiteral("not complete within %1 ms").arg(limits.deadlineMs);
    else if (o.code != CURLE_OK)
        o.error = QString::fromUtf8(m_errorText[0] ? m_errorText : curl_easy_strerror(o.code)).trimmed();
    return o;
}

void Easy::onConnecting(std::function<void()> hook)
{
    m_connecting = std::move(hook);
    if (m_handle)
        applyShared();
}

int Easy::onSocketOpened(void* self, curl_socket_t, curlsocktype purpose)
{
    auto* easy = static_cast<Easy*>(self);
    if (purpose == CURLSOCKTYPE_IPCXN && easy->m_connecting)
        easy->m_connecting();
    return CURL_SOCKOPT_OK;
}

std::optional<QByteArray> Easy::header(const char* name) const
{
    curl_header* found = nullptr;
    if (!m_handle || curl_easy_header(m_handle, name, 0, CURLH_HEADER, -1, &found) != CURLHE_OK || !found)
        return std::nullopt;
    return QByteArray(found->value);
}

}
