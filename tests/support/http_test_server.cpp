#include "support/http_test_server.h"

#include <QDebug>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace zepril::test {

namespace {

std::string toStd(const QString& text) { return text.toStdString(); }

std::string toStd(const QByteArray& bytes) { return std::string(bytes.constData(), size_t(bytes.size())); }

}

TestHttpServer::TestHttpServer()
{
    // Short keep-alive so that stopping never waits on an idle client connection.
    m_server.set_keep_alive_timeout(1);
    m_server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        dispatch(request, response);
    });
    m_port = m_server.bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        qFatal("test HTTP server: cannot bind 127.0.0.1");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    // stop() before the accept loop has started would be lost and the destructor's
    // join would wait for ever; a server is only handed out once it is running.
    for (int i = 0; i < 5000 && !m_server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TestHttpServer::~TestHttpServer()
{
    m_stopping = true;
    m_server.stop();
    if (m_thread.joinable())
        m_thread.join();
}

QString TestHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void TestHttpServer::handle(const QString& path, Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_routes[toStd(path)] = std::move(handler);
}

void TestHttpServer::serve(const QString& path, const QByteArray& body, int status,
                           const QByteArray& contentType)
{
    handle(path, [body = toStd(body), status, type = toStd(contentType)](const httplib::Request&,
                                                                        httplib::Response& response) {
        // The library answers a "Range: bytes=N-" request by itself (206 and the tail)
        // as long as the handler leaves a success status unset.
        if (status != 200)
            response.status = status;
        response.set_content(body, type);
    });
}

void TestHttpServer::serveCutMidBody(const QString& path, const QByteArray& fullBody,
                                     qint64 bytesBeforeCut)
{
    handle(path, [body = toStd(fullBody), cut = size_t(std::max<qint64>(0, bytesBeforeCut))](
                     const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(
            body.size(), "application/octet-stream",
            [body, cut](size_t offset, size_t length, httplib::DataSink& sink) {
                if (offset >= cut)
                    return false; // drops the connection with the length still owed
                const size_t end = std::min(cut, offset + length);
                sink.write(body.data() + offset, end - offset);
                return true;
            });
    });
}

void TestHttpServer::serveWrongLength(const QString& path, const QByteArray& body,
                                      qint64 announcedLength)
{
    handle(path, [body = toStd(body), announced = size_t(std::max<qint64>(0, announcedLength))](
                     const httplib::Request&, httplib::Response& response) {
        response.set_header("Connection", "close");
        response.set_content_provider(
            announced, "application/octet-stream",
            [body](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset > 0)
                    return false; // announced more than there is: close short
                sink.write(body.data(), body.size());
                return true;
            });
    });
}

void TestHttpServer::serveWithoutLength(const QString& path, const QByteArray& body)
{
    handle(path, [body = toStd(body)](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider(
            "application/octet-stream", [body](size_t, httplib::DataSink& sink) {
                if (!body.empty())
                    sink.write(body.data(), body.size());
                sink.done();
                return true;
            });
    });
}

void TestHttpServer::serveStalled(const QString& path, int stallMs)
{
    handle(path, [this, stallMs](const httplib::Request&, httplib::Response& response) {
        static const std::string prefix = "stalled-prefix..";
        response.set_content_provider(
            1 << 20, "application/octet-stream",
            [this, stallMs](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write(prefix.data(), prefix.size());
                    return true;
                }
                sleepUnlessStopping(stallMs);
                return false;
            });
    });
}

void TestHttpServer::serveTrickle(const QString& path, qint64 totalBytes, int intervalMs)
{
    handle(path, [this, totalBytes, intervalMs](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(size_t(totalBytes), "application/octet-stream",
                                      [this, intervalMs](size_t, size_t, httplib::DataSink& sink) {
                                          sleepUnlessStopping(intervalMs);
                                          return !m_stopping && sink.write("t", 1);
                                      });
    });
}

QList<RecordedRequest> TestHttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void TestHttpServer::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

void TestHttpServer::dispatch(const httplib::Request& request, httplib::Response& response)
{
    RecordedRequest recorded;
    recorded.method = QString::fromStdString(request.method);
    recorded.target = QString::fromStdString(request.target);
    for (const auto& [name, value] : request.headers)
        recorded.headers.insert(QString::fromStdString(name).toLower(), QString::fromStdString(value));

    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        m_requests.append(recorded);
        auto found = m_routes.find(request.path);
        if (found == m_routes.end())
            found = m_routes.find(request.target);
        if (found != m_routes.end())
            handler = found->second;
    }
    if (!handler) {
        response.status = 404;
        return;
    }
    handler(request, response);
}

void TestHttpServer::sleepUnlessStopping(int ms) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!m_stopping && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

int unusedLocalPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int port = -1;
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

}
