#pragma once
// The HTTP engine of the main screen, used by the video download: each
// request runs on a worker thread with libcurl while the UI thread keeps serving its
// event loop, and the body is handed over in pieces as it arrives, through a bounded
// buffer, so that a large video never sits in memory. States, dataAvailable() and
// requestFinished() are emitted on the thread that owns the object. A response must be
// read to its end (or cancelled) before the next request: a full buffer holds it back.
#include "core/timings.h"
#include "net/transfer_control.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <memory>
#include <thread>

class QEventLoop;

namespace zepril {

namespace detail {
struct HttpRun;
struct HttpRequestOptions;
}

class HttpTransfer final : public TransferControl {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpTransfer)
public:
    // Body bytes held between the network and the reader; past this the worker waits.
    static constexpr qint64 kBufferLimit = 2 * 1024 * 1024;

    explicit HttpTransfer(const Timings& timings = Timings::production(), QObject* parent = nullptr);
    ~HttpTransfer() override;

    void setProtocol(int protocol) override { m_protocol = protocol; }
    void setRemotePort(int port) override { m_port = port; }
    void setUrl(const QString& url) override { m_url = url; }
    QString url() const override { return m_url; }
    void setUserName(const QString& user) override { m_user = user; }
    void setPassword(const QString& password) override { m_password = password; }
    // Seconds without progress (and to connect) before a request fails; 0 keeps the
    // timings given at construction.
    void setRequestTimeout(int seconds) override { m_requestTimeoutS = seconds; }
    // Caps the mean receive rate of every later request (libcurl paces its reads);
    // 0: no cap. The hotel's guests share the line the videos come down.
    void setMaxReceiveRate(qint64 bytesPerSecond) { m_maxReceiveRate = std::max<qint64>(bytesPerSecond, 0); }

    // Only "GET" is understood; requestHeaders holds header lines separated by CR LF.
    bool execute(const QString& operation, const QString& requestHeaders = {}) override;
    // True from execute() until the final response's headers are in or the request
    // has failed; the body is then read with getChunk() while it still arrives.
    bool stillExecuting() const override { return m_executing; }
    // Up to maxBytes of the body. While the body is still arriving and nothing is
    // buffered, waits in a local event loop (timers, repaints and input go on; the
    // thread sleeps). Empty only when the body has ended, completely or not.
    QByteArray getChunk(int maxBytes) override;
    QString getHeader(const QString& name = {}) const override;

    int responseCode() const override;
    // The body arrived whole with a success status (2xx).
    bool succeeded() const override;
    QString lastError() const override;

    qint64 bytesReceived() const;

public slots:
    // Stops the running request; it ends as failed (state 11).
    void cancel() override;

private:
    using Run = detail::HttpRun;
    void work(std::shared_ptr<Run> run, std::shared_ptr<const detail::HttpRequestOptions> options);
    void postNotice(const std::shared_ptr<Run>& run);
    void onNotice(const std::shared_ptr<Run>& run);
    void joinWorker();

    Timings m_timings;
    int m_protocol = ProtocolHttp;
    int m_port = -1;
    QString m_url;
    QString m_user;
    QString m_password;
    int m_requestTimeoutS = 0;
    qint64 m_maxReceiveRate = 0;

    std::shared_ptr<Run> m_run;
    std::thread m_worker;
    bool m_executing = false;
    bool m_active = false;     // a request whose end the UI thread has not yet seen
    QString m_refusal;         // why the last execute() was refused
    QEventLoop* m_waitLoop = nullptr;
};

}
