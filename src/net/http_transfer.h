#pragma once
// The HTTP engine of the main screen, used by the video download: each
// request runs on a worker thread with libcurl while the UI thread keeps serving its
// event loop, and the body is handed over in pieces as it arrives, through a bounded
// queue, so that a large video never sits in memory. States, dataAvailable() and
// requestFinished() are emitted on the thread that owns the object. A response must be
// read to its end (or cancelled) before the next request: a full buffer holds it back.
#include "core/event_wait.h"
#include "core/timings.h"
#include "net/curl_easy.h"
#include "net/transfer_control.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <memory>
#include <thread>

namespace zepril {

namespace detail {
struct HttpRun;
}

class HttpTransfer final : public TransferControl {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpTransfer)
public:
    // Body bytes held between the network and the reader; past this the worker waits.
    static constexpr qint64 kBufferLimit = 2 * 1024 * 1024;

    explicit HttpTransfer(const Timings& timings = Timings::production(), QObject* parent = nullptr);
    ~HttpTransfer() override;

    // Caps the mean receive rate of every later request (libcurl paces its reads);
    // 0: no cap. The hotel's guests share the line the videos come down.
    void setMaxReceiveRate(qint64 bytesPerSecond) { m_maxReceiveRate = std::max<qint64>(bytesPerSecond, 0); }

    // Only "GET" is understood.
    bool start(const TransferRequest& request) override;
    // The body is read with readBody() while it still arrives.
    bool awaitingResponse() const override { return m_awaitingResponse; }
    // Up to maxBytes of the body. While the body is still arriving and nothing is
    // buffered, sleeps in the event loop (timers, repaints and input go on). Empty only
    // when the body has ended, completely or not.
    QByteArray readBody(int maxBytes) override;
    TransferResult result() const override;

public slots:
    // Stops the running request; it ends as failed.
    void cancel() override;

private:
    using Run = detail::HttpRun;
    void work(std::shared_ptr<Run> run, TransferRequest request, curl::Limits limits, qint64 maxReceiveRate);
    void postNotice(const std::shared_ptr<Run>& run);
    void onNotice(const std::shared_ptr<Run>& run);
    void joinWorker();

    Timings m_timings;
    qint64 m_maxReceiveRate = 0;

    std::shared_ptr<Run> m_run;
    std::thread m_worker;
    QString m_url;
    bool m_awaitingResponse = false;
    bool m_active = false; // a request whose end the UI thread has not yet seen
    QString m_refusal;     // why the last start() was refused
    EventSleeper m_bodyWait;
};

}
