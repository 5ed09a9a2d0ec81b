#pragma once
// An HTTP server on 127.0.0.1 inside the test process, able to misbehave on purpose
// (error statuses, cut or stalled bodies, wrong lengths) and recording every request.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

// The feature flags the system's library was built with come from its pkg-config file.
#include <httplib.h>

namespace zepril::test {

struct RecordedRequest {
    QString target;                   // as received, still percent-encoded
    QString method;
    QMap<QString, QString> headers;   // names in lower case
};

class TestHttpServer final {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    TestHttpServer();
    ~TestHttpServer();

    int port() const { return m_port; }
    QString baseUrl() const;

    // Paths are given decoded ("/a b.txt"); a request matches by its decoded path or
    // by its raw target. Unknown paths answer 404 with an empty body.
    void serve(const QString& path, const QByteArray& body, int status = 200, const QByteArray& contentType = kOctets);
    // How deliver() sends a body: in pieces, pausing between them, and maybe not all of it.
    struct Delivery {
        qint64 announced = -1; // the length announced; -1: the body's own
        qint64 cutAt = -1;     // the connection drops once this many bytes are sent
        size_t piece = 1 << 16;
        int pauseMs = 0;       // before every piece but the first
        bool chunked = false;  // no length announced at all
        std::function<bool(size_t offset)> beforePiece = {}; // false ends the body there
    };
    void deliver(const QString& path, const QByteArray& body, const Delivery& how);
    void handle(const QString& path, Handler handler);
    // Serves body as a file server does: with its validators, HEAD, and "Range: bytes=N-"
    // (N within the body) answered 206 unless an If-Range names another version (then 200
    // and the whole body). how.cutAt is an offset in the file; the bytes of every body sent are counted.
    struct FileVersion {
        QByteArray etag;
        QByteArray lastModified = "Tue, 01 Dec 2026 10:00:00 GMT";
    };
    void serveFile(const QString& path, const QByteArray& body, const FileVersion& version, const Delivery& how);
    void serveFile(const QString& path, const QByteArray& body, const FileVersion& version)
    {
        serveFile(path, body, version, Delivery{});
    }
    qint64 bodyBytesSent() const { return m_bodyBytes; }

    QList<RecordedRequest> requests() const;

private:
    static constexpr const char* kOctets = "application/octet-stream";
    void dispatch(const httplib::Request& request, httplib::Response& response);

    httplib::Server m_server;
    std::thread m_thread;
    int m_port = -1;
    std::atomic<bool> m_stopping{false};
    std::atomic<qint64> m_bodyBytes{0};
    mutable std::mutex m_mutex;
    std::map<std::string, Handler> m_routes;
    QList<RecordedRequest> m_requests;
};

// A 127.0.0.1 port on which nothing listens (bound, read and released).
int unusedLocalPort();

}
