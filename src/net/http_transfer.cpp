#include "net/http_transfer.h"

#include "core/logging.h"
#include "net/curl_easy.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>

#include <curl/curl.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace zepril {

namespace {

// The control's state numbers.
enum State {
    Resolving = 1,
    Resolved = 2,
    Connecting = 3,
    Connected = 4,
    Requesting = 5,
    RequestSent = 6,
    ReceivingResponse = 7,
    ResponseReceived = 8,
    Failed = 11,
    Completed = 12,
};

bool isSuccessStatus(int code) { return code >= 200 && code < 300; }

}

namespace detail {

// What the worker needs, copied when the request starts so that later setters on the
// UI thread cannot race with it.
struct HttpRequestOptions {
    QByteArray url;
    QList<QByteArray> headerLines;
    long connectTimeoutMs = 0;
    qint64 idleTimeoutMs = 0;
    long port = -1;
    QByteArray user;
    QByteArray password;
    qint64 maxReceiveRate = 0;
};

// Everything one request shares between the worker and the UI thread. A fresh run per
// request keeps a late notice of an old request from touching the new one.
struct HttpRun {
    std::mutex mutex;
    std::condition_variable spaceFreed;
    std::deque<QByteArray> buffer;
    qint64 buffered = 0;
    qint64 received = 0;
    std::vector<int> states;       // not yet emitted, in order
    QList<std::pair<QByteArray, QByteArray>> headers; // of the final response, as libcurl parsed them
    bool headersDone = false;
    bool finished = false;
    bool newData = false;          // bytes buffered since the last notice
    bool startLogged = false;
    int httpCode = 0;
    CURLcode curlCode = CURLE_OK;
    QString error;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> noticePosted{false};
    QElapsedTimer clock;
};

}

HttpTransfer::HttpTransfer(const Timings& timings, QObject* parent)
    : TransferControl(parent), m_timings(timings)
{
    curl::globalInit();
}

HttpTransfer::~HttpTransfer()
{
    cancel();
    joinWorker();
}

void HttpTransfer::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void HttpTransfer::cancel()
{
    if (!m_run)
        return;
    m_run->cancelled = true;
    std::lock_guard lock(m_run->mutex);
    m_run->spaceFreed.notify_all();
}

bool HttpTransfer::execute(const QString& operation, const QString& requestHeaders)
{
    if (m_active && m_run) {
        bool workerDone;
        {
            std::lock_guard lock(m_run->mutex);
            workerDone = m_run->finished;
        }
        // The end may be known to the worker before its notice reached us.
        if (workerDone)
            onNotice(m_run);
    }
    if (m_active) {
        m_refusal = QStringLiteral("a request is still running");
        qCWarning(lcNet) << "request refused:" << m_refusal << m_url;
        return false;
    }
    if (operation.trimmed().compare(QLatin1String("GET"), Qt::CaseInsensitive) != 0) {
        m_refusal = QStringLiteral("unsupported operation \"%1\"").arg(operation);
        qCWarning(lcNet) << "request refused:" << m_refusal;
        return false;
    }
    joinWorker();
    m_refusal.clear();

    auto options = std::make_shared<detail::HttpRequestOptions>();
    options->url = m_url.toUtf8();
    for (const QString& line : requestHeaders.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            options->headerLines.append(trimmed.toUtf8());
    }
    options->connectTimeoutMs = m_requestTimeoutS > 0 ? m_requestTimeoutS * 1000L : m_timings.httpConnectTimeoutMs;
    options->idleTimeoutMs = m_requestTimeoutS > 0 ? m_requestTimeoutS * 1000LL : m_timings.httpIdleTimeoutMs;
    options->port = m_port;
    options->user = m_user.toUtf8();
    options->password = m_password.toUtf8();
    options->maxReceiveRate = m_maxReceiveRate;

    m_run = std::make_shared<Run>();
    m_run->clock.start();
    m_executing = true;
    m_active = true;
    qCInfo(lcNet) << "GET" << m_url;
    m_worker = std::thread(&HttpTransfer::work, this, m_run, std::move(options));
    return true;
}

void HttpTransfer::postNotice(const std::shared_ptr<Run>& run)
{
    // One notice in flight at a time: the handler reads everything that happened
    // since, so a fast body does not flood the UI thread's queue.
    if (run->noticePosted.exchange(true))
        return;
    QMetaObject::invokeMethod(this, [this, run] { onNotice(run); }, Qt::QueuedConnection);
}

void HttpTransfer::onNotice(const std::shared_ptr<Run>& run)
{
    run->noticePosted = false;
    std::vector<int> states;
    bool headersDone;
    bool finished;
    bool newData;
    {
        std::lock_guard lock(run->mutex);
        states.swap(run->states);
        headersDone = run->headersDone;
        finished = run->finished;
        newData = run->newData;
        run->newData = false;
    }
    bool ended = false;
    if (run == m_run) {
        if (headersDone || finished)
            m_executing = false;
        if (finished && m_active) {
            m_active = false;
            ended = true;
            std::lock_guard lock(run->mutex);
            if (run->curlCode == CURLE_OK)
                qCInfo(lcNet) << "GET" << m_url << "status" << run->httpCode << "bytes" << run->received
                              << "in" << run->clock.elapsed() << "ms";
            else
                qCWarning(lcNet) << "GET" << m_url << "failed:" << run->error << "status" << run->httpCode
                                 << "bytes" << run->received;
        }
    }
    if (m_waitLoop)
        m_waitLoop->quit();
    // The final state comes after the last data, then the end of the request.
    const bool hasFinal = ended && !states.empty() && (states.back() == Completed || states.back() == Failed);
    const int finalState = hasFinal ? states.back() : 0;
    if (hasFinal)
        states.pop_back();
    for (int state : states)
        emit stateChanged(state);
    if (newData)
        emit dataAvailable();
    if (hasFinal)
        emit stateChanged(finalState);
    if (ended)
        emit requestFinished();
}

QByteArray HttpTransfer::getChunk(int maxBytes)
{
    if (!m_run || maxBytes <= 0)
        return {};
    const std::shared_ptr<Run> run = m_run;
    for (;;) {
        {
            std::lock_guard lock(run->mutex);
            if (!run->buffer.empty()) {
                QByteArray& front = run->buffer.front();
                QByteArray piece;
                if (front.size() <= maxBytes) {
                    piece = std::move(front);
                    run->buffer.pop_front();
                } else {
                    piece = front.left(maxBytes);
                    front.remove(0, maxBytes);
                }
                run->buffered -= piece.size();
                run->spaceFreed.notify_all();
                return piece;
            }
            if (run->finished || run != m_run)
                return {};
        }
        // Nothing buffered yet: sleep in the event loop until the worker's next notice.
        // A notice posted after the check above is only handled inside this loop, so
        // it cannot be missed.
        QEventLoop loop;
        QEventLoop* outer = m_waitLoop;
        m_waitLoop = &loop;
        loop.exec();
        m_waitLoop = outer;
    }
}

QString HttpTransfer::getHeader(const QString& name) const
{
    if (!m_run)
        return {};
    std::lock_guard lock(m_run->mutex);
    if (!m_run->headersDone)
        return {};
    if (name.isEmpty()) {
        QByteArray all;
        for (const auto& [key, value] : m_run->headers)
            all += key + ": " + value + "\r\n";
        return QString::fromLatin1(all);
    }
    // libcurl's own lookup (curl_easy_header) belongs to the worker's thread; the
    // names it gave are matched here the same way, without regard to case.
    const QByteArray wanted = name.toLatin1().trimmed();
    for (const auto& [key, value] : m_run->headers)
        if (key.compare(wanted, Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(value);
    return {};
}

int HttpTransfer::responseCode() const
{
    if (!m_run)
        return 0;
    std::lock_guard lock(m_run->mutex);
    return m_run->httpCode;
}

bool HttpTransfer::succeeded() const
{
    if (!m_run)
        return false;
    std::lock_guard lock(m_run->mutex);
    return m_run->finished && m_run->curlCode == CURLE_OK && isSuccessStatus(m_run->httpCode);
}

QString HttpTransfer::lastError() const
{
    if (!m_refusal.isEmpty() || !m_run)
        return m_refusal;
    std::lock_guard lock(m_run->mutex);
    if (!m_run->finished)
        return {};
    if (m_run->curlCode != CURLE_OK)
        return m_run->error;
    if (!isSuccessStatus(m_run->httpCode))
        return QStringLiteral("HTTP status %1").arg(m_run->httpCode);
    return {};
}

qint64 HttpTransfer::bytesReceived() const
{
    if (!m_run)
        return 0;
    std::lock_guard lock(m_run->mutex);
    return m_run->received;
}

// ---- worker thread ----------------------------------------------------------------

namespace {

struct CallbackContext {
    detail::HttpRun* run = nullptr;
    std::function<void()> notify;
    curl::Easy* easy = nullptr;
    qint64 maxReceiveRate = 0; // bytes per second; 0: no cap
    QElapsedTimer bodyClock;   // since the first byte of the body
};

// libcurl's own cap paces its socket reads but lets whole read bursts through (171 % of
// a 10 MB/s cap measured here), so the body is also held back until the mean rate since
// its first byte is within the cap. Holding the write callback stops the reads, and the
// server is slowed by the connection's own flow control.
void paceBody(CallbackContext* ctx, qint64 receivedSoFar)
{
    if (ctx->maxReceiveRate <= 0)
        return;
    if (!ctx->bodyClock.isValid())
        ctx->bodyClock.start();
    const qint64 dueMs = receivedSoFar * 1000 / ctx->maxReceiveRate;
    while (!ctx->run->cancelled && ctx->bodyClock.elapsed() < dueMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<qint64>(50, dueMs - ctx->bodyClock.elapsed())));
}

// The headers of the response that has just ended, as libcurl parsed them.
QList<std::pair<QByteArray, QByteArray>> headersOf(CURL* curl)
{
    QList<std::pair<QByteArray, QByteArray>> headers;
    for (curl_header* h = curl_easy_nextheader(curl, CURLH_HEADER, -1, nullptr); h;
         h = curl_easy_nextheader(curl, CURLH_HEADER, -1, h))
        headers.append({QByteArray(h->name), QByteArray(h->value)});
    return headers;
}

// Marks the final response's headers as complete; the caller holds the run's mutex.
void takeFinalHeaders(CallbackContext* ctx, long code)
{
    auto* run = ctx->run;
    run->httpCode = int(code);
    run->headers = headersOf(ctx->easy->handle());
    run->headersDone = true;
    run->states.push_back(ResponseReceived);
}

}

static size_t onHeaderLine(char* data, size_t size, size_t count, void* user)
{
    auto* ctx = static_cast<CallbackContext*>(user);
    auto* run = ctx->run;
    const size_t length = size * count;
    const QByteArray line = QByteArray(data, qsizetype(length)).trimmed();
    bool notify = false;
    {
        std::lock_guard lock(run->mutex);
        if (line.startsWith("HTTP/") && !run->startLogged) {
            run->startLogged = true;
            run->states.push_back(RequestSent);
            run->states.push_back(ReceivingResponse);
            notify = true;
        } else if (line.isEmpty()) {
            // The end of one response's headers: a redirect that libcurl follows or an
            // interim 1xx answer is not the response the reader waits for.
            long code = 0;
            curl_easy_getinfo(ctx->easy->handle(), CURLINFO_RESPONSE_CODE, &code);
            const bool redirect = code >= 300 && code < 400 && ctx->easy->header("Location").has_value();
            if (code >= 200 && !redirect && !run->headersDone) {
                takeFinalHeaders(ctx, code);
                notify = true;
            }
        }
    }
    if (notify)
        ctx->notify();
    return run->cancelled ? 0 : length;
}

static size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto* ctx = static_cast<CallbackContext*>(user);
    auto* run = ctx->run;
    const qint64 length = qint64(size * count);
    {
        std::unique_lock lock(run->mutex);
        // Backpressure: the reader decides the pace, the socket buffers the rest. Time
        // spent here does not count as the server's silence: the byte counter moves on
        // as soon as this piece is taken.
        run->spaceFreed.wait(lock, [&] {
            return run->cancelled || run->buffered == 0 || run->buffered + length <= HttpTransfer::kBufferLimit;
        });
        if (run->cancelled)
            return 0;
        if (!run->headersDone) {
            long code = 0;
            curl_easy_getinfo(ctx->easy->handle(), CURLINFO_RESPONSE_CODE, &code);
            takeFinalHeaders(ctx, code);
        }
        run->buffer.emplace_back(data, qsizetype(length));
        run->newData = true;
        run->buffered += length;
        run->received += length;
    }
    ctx->notify();
    paceBody(ctx, run->received);
    return size_t(length);
}

static curl_socket_t onOpenSocket(void* user, curlsocktype, struct curl_sockaddr* address)
{
    auto* ctx = static_cast<CallbackContext*>(user);
    {
        std::lock_guard lock(ctx->run->mutex);
        ctx->run->states.push_back(Resolved);
        ctx->run->states.push_back(Connecting);
    }
    ctx->notify();
    return socket(address->family, address->socktype, address->protocol);
}

static int onPreRequest(void* user, char*, char*, int, int)
{
    auto* ctx = static_cast<CallbackContext*>(user);
    {
        std::lock_guard lock(ctx->run->mutex);
        ctx->run->states.push_back(Connected);
        ctx->run->states.push_back(Requesting);
    }
    ctx->notify();
    return CURL_PREREQFUNC_OK;
}

void HttpTransfer::work(std::shared_ptr<Run> run, std::shared_ptr<const detail::HttpRequestOptions> options)
{
    curl::Easy easy;
    CallbackContext ctx;
    ctx.run = run.get();
    ctx.notify = [this, run] { postNotice(run); };
    ctx.easy = &easy;
    ctx.maxReceiveRate = options->maxReceiveRate;
    {
        std::lock_guard lock(run->mutex);
        run->states.push_back(Resolving);
    }
    ctx.notify();

    curl_slist* headers = nullptr;
    for (const QByteArray& line : options->headerLines)
        headers = curl_slist_append(headers, line.constData());

    easy.set(CURLOPT_URL, options->url.constData());
    easy.set(CURLOPT_HTTPGET, 1L);
    easy.set(CURLOPT_HTTPHEADER, headers);
    easy.set(CURLOPT_FOLLOWLOCATION, 1L);
    easy.set(CURLOPT_MAXREDIRS, 5L);
    easy.set(CURLOPT_BUFFERSIZE, 256L * 1024L);
    easy.set(CURLOPT_HEADERFUNCTION, onHeaderLine);
    easy.set(CURLOPT_HEADERDATA, &ctx);
    easy.set(CURLOPT_WRITEFUNCTION, onBody);
    easy.set(CURLOPT_WRITEDATA, &ctx);
    easy.set(CURLOPT_OPENSOCKETFUNCTION, onOpenSocket);
    easy.set(CURLOPT_OPENSOCKETDATA, &ctx);
    easy.set(CURLOPT_PREREQFUNCTION, onPreRequest);
    easy.set(CURLOPT_PREREQDATA, &ctx);
    if (options->port > 0)
        easy.set(CURLOPT_PORT, options->port);
    if (options->maxReceiveRate > 0)
        easy.set(CURLOPT_MAX_RECV_SPEED_LARGE, curl_off_t(options->maxReceiveRate));
    if (!options->user.isEmpty()) {
        easy.set(CURLOPT_USERNAME, options->user.constData());
        easy.set(CURLOPT_PASSWORD, options->password.constData());
    }

    // No deadline: a video takes as long as it takes while the server keeps sending.
    const curl::Outcome done = easy.perform({int(options->connectTimeoutMs), int(options->idleTimeoutMs), 0},
                                            &run->cancelled);
    long httpCode = 0;
    curl_easy_getinfo(easy.handle(), CURLINFO_RESPONSE_CODE, &httpCode);
    curl_slist_free_all(headers);

    {
        std::lock_guard lock(run->mutex);
        run->curlCode = done.code;
        if (httpCode != 0)
            run->httpCode = int(httpCode);
        if (!done.ok())
            run->error = run->cancelled ? QStringLiteral("cancelled") : done.error;
        run->finished = true;
        run->states.push_back(done.ok() ? Completed : Failed);
    }
    ctx.notify();
}

}
