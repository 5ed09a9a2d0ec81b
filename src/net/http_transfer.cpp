#include "net/http_transfer.h"

#include "core/logging.h"
#include "net/byte_queue.h"
#include "net/curl_easy.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

namespace zepril {

namespace {

using State = TransferState;

}

namespace detail {

// Everything one request shares between the worker and the UI thread. A fresh run per
// request keeps a late notice of an old request from touching the new one.
struct HttpRun {
    std::mutex mutex;
    ByteQueue body{HttpTransfer::kBufferLimit};
    qint64 received = 0;
    std::vector<State> states;                        // not yet emitted, in order
    QList<std::pair<QByteArray, QByteArray>> headers; // of the final response, as libcurl parsed them
    bool headersDone = false;
    bool finished = false;
    bool newData = false; // bytes buffered since the last notice
    bool startLogged = false;
    int httpCode = 0;
    CURLcode curlCode = CURLE_OK;
    QString error;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> noticePosted{false};
    QElapsedTimer clock;
};

}

HttpTransfer::HttpTransfer(const Timings& timings, QObject* parent) : TransferControl(parent), m_timings(timings)
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
    m_run->body.cancel();
}

bool HttpTransfer::start(const TransferRequest& request)
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
        qCWarning(lcNet) << "request refused:" << m_refusal << request.url;
        return false;
    }
    if (request.method.trimmed().compare(QLatin1String("GET"), Qt::CaseInsensitive) != 0) {
        m_refusal = QStringLiteral("unsupported operation \"%1\"").arg(request.method);
        qCWarning(lcNet) << "request refused:" << m_refusal;
        return false;
    }
    joinWorker();
    m_refusal.clear();

    m_url = request.url;
    m_run = std::make_shared<Run>();
    m_run->clock.start();
    m_awaitingResponse = true;
    m_active = true;
    qCInfo(lcNet) << "GET" << m_url;
    const int timeoutMs = request.timeoutS * 1000;
    const curl::Limits limits{timeoutMs > 0 ? timeoutMs : m_timings.httpConnectTimeoutMs,
                              timeoutMs > 0 ? timeoutMs : m_timings.httpIdleTimeoutMs, 0};
    m_worker = std::thread(&HttpTransfer::work, this, m_run, request, limits, m_maxReceiveRate);
    return true;
}

void HttpTransfer::postNotice(const std::shared_ptr<Run>& run)
{
    // One notice in flight at a time: the handler reads everything that happened
    // since, so a fast body does not flood the UI thread's queue.
    if (run->noticePosted.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this, [this, run] { onNotice(run); }, Qt::QueuedConnection);
}

void HttpTransfer::onNotice(const std::shared_ptr<Run>& run)
{
    run->noticePosted = false;
    std::vector<State> states;
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
            m_awaitingResponse = false;
        if (finished && m_active) {
            m_active = false;
            ended = true;
            std::lock_guard lock(run->mutex);
            if (run->curlCode == CURLE_OK)
                qCInfo(lcNet) << "GET" << m_url << "status" << run->httpCode << "bytes" << run->received << "in"
                              << run->clock.elapsed() << "ms";
            else
                qCWarning(lcNet) << "GET" << m_url << "failed:" << run->error << "status" << run->httpCode << "bytes"
                                 << run->received;
        }
    }
    m_bodyWait.wake();
    // The final state comes after the last data, then the end of the request.
    const bool hasFinal =
        ended && !states.empty() && (states.back() == State::Completed || states.back() == State::Failed);
    const State finalState = hasFinal ? states.back() : State::Idle;
    if (hasFinal)
        states.pop_back();
    for (State state : states)
        emit stateReached(state);
    if (newData)
        emit dataAvailable();
    if (hasFinal)
        emit stateReached(finalState);
    if (ended)
        emit requestFinished();
}

QByteArray HttpTransfer::readBody(int maxBytes)
{
    if (!m_run || maxBytes <= 0)
        return {};
    const std::shared_ptr<Run> run = m_run;
    for (;;) {
        QByteArray piece = run->body.take(maxBytes);
        if (!piece.isEmpty() || run->body.atEnd() || run != m_run)
            return piece;
        // Nothing queued yet: sleep until the worker's next notice, which wakes the
        // sleeper even when it comes before the sleep.
        m_bodyWait.sleep();
    }
}

TransferResult HttpTransfer::result() const
{
    TransferResult r;
    if (m_run) {
        std::lock_guard lock(m_run->mutex);
        r.status = m_run->httpCode;
        r.bytes = m_run->received;
        r.ended = m_run->finished;
        r.cut = m_run->finished && m_run->curlCode != CURLE_OK;
        if (m_run->headersDone) {
            // libcurl's own lookup (curl_easy_header) belongs to the worker's thread; the
            // names it gave are matched here the same way, without regard to case.
            const auto header = [&](QByteArrayView name) {
                for (const auto& [key, value] : m_run->headers)
                    if (key.compare(name, Qt::CaseInsensitive) == 0)
                        return QString::fromLatin1(value);
                return QString();
            };
            r.contentType = header("Content-Type");
            r.contentLength = header("Content-Length");
            r.contentRange = header("Content-Range");
            r.etag = header("ETag");
            r.lastModified = header("Last-Modified");
        }
        if (r.cut)
            r.error = m_run->error;
        else if (r.ended && !r.succeeded())
            r.error = QStringLiteral("HTTP status %1").arg(r.status);
    }
    if (!m_refusal.isEmpty())
        r.error = m_refusal;
    return r;
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
    run->states.push_back(State::ResponseReceived);
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
            run->states.push_back(State::RequestSent);
            run->states.push_back(State::ReceivingResponse);
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
        std::lock_guard lock(run->mutex);
        if (!run->headersDone) {
            long code = 0;
            curl_easy_getinfo(ctx->easy->handle(), CURLINFO_RESPONSE_CODE, &code);
            takeFinalHeaders(ctx, code);
        }
    }
    // Backpressure: the reader decides the pace, the socket buffers the rest. Time spent
    // here does not count as the server's silence: the byte counter moves on as soon as
    // this piece is taken.
    if (run->cancelled || !run->body.push(data, length))
        return 0;
    {
        std::lock_guard lock(run->mutex);
        run->newData = true;
        run->received += length;
    }
    ctx->notify();
    paceBody(ctx, run->received);
    return size_t(length);
}

static int onPreRequest(void* user, char*, char*, int, int)
{
    auto* ctx = static_cast<CallbackContext*>(user);
    {
        std::lock_guard lock(ctx->run->mutex);
        ctx->run->states.push_back(State::Connected);
        ctx->run->states.push_back(State::Requesting);
    }
    ctx->notify();
    return CURL_PREREQFUNC_OK;
}

void HttpTransfer::work(std::shared_ptr<Run> run, TransferRequest request, curl::Limits limits, qint64 maxReceiveRate)
{
    curl::Easy easy;
    CallbackContext ctx;
    ctx.run = run.get();
    ctx.notify = [this, run] { postNotice(run); };
    ctx.easy = &easy;
    ctx.maxReceiveRate = maxReceiveRate;
    {
        std::lock_guard lock(run->mutex);
        run->states.push_back(State::Resolving);
    }
    ctx.notify();

    curl::StringList headers;
    if (request.rangeFrom >= 0)
        headers.append("Range: bytes=" + QByteArray::number(request.rangeFrom) + '-');
    if (!request.ifRange.isEmpty())
        headers.append("If-Range: " + request.ifRange.toUtf8());
    const QByteArray url = request.url.toUtf8();

    easy.set(CURLOPT_URL, url.constData());
    easy.set(CURLOPT_HTTPGET, 1L);
    easy.set(CURLOPT_HTTPHEADER, headers.get());
    easy.set(CURLOPT_FOLLOWLOCATION, 1L);
    easy.set(CURLOPT_MAXREDIRS, 5L);
    easy.set(CURLOPT_BUFFERSIZE, 256L * 1024L);
    easy.set(CURLOPT_HEADERFUNCTION, onHeaderLine);
    easy.set(CURLOPT_HEADERDATA, &ctx);
    easy.set(CURLOPT_WRITEFUNCTION, onBody);
    easy.set(CURLOPT_WRITEDATA, &ctx);
    easy.onConnecting([&ctx] {
        {
            std::lock_guard lock(ctx.run->mutex);
            ctx.run->states.push_back(State::Resolved);
            ctx.run->states.push_back(State::Connecting);
        }
        ctx.notify();
    });
    easy.set(CURLOPT_PREREQFUNCTION, onPreRequest);
    easy.set(CURLOPT_PREREQDATA, &ctx);
    if (ctx.maxReceiveRate > 0)
        easy.set(CURLOPT_MAX_RECV_SPEED_LARGE, curl_off_t(ctx.maxReceiveRate));

    // No deadline: a video takes as long as it takes while the server keeps sending.
    const curl::Outcome done = easy.perform(limits, &run->cancelled);
    long httpCode = 0;
    curl_easy_getinfo(easy.handle(), CURLINFO_RESPONSE_CODE, &httpCode);

    {
        std::lock_guard lock(run->mutex);
        run->curlCode = done.code;
        if (httpCode != 0)
            run->httpCode = int(httpCode);
        if (!done.ok())
            run->error = run->cancelled ? QStringLiteral("cancelled") : done.error;
        run->finished = true;
        run->states.push_back(done.ok() ? State::Completed : State::Failed);
    }
    run->body.finish();
    ctx.notify();
}

}
