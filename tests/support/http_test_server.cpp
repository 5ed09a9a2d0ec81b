#include "support/http_test_server.h"

#include <QDebug>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace zepril::test {

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

QString TestHttpServer::baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

void TestHttpServer::handle(const QString& path, Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_routes[path.toStdString()] = std::move(handler);
}

void TestHttpServer::serve(const QString& path, const QByteArray& body, int status, const QByteArray& contentType)
{
    handle(path, [body = body.toStdString(), status, type = contentType.toStdString()](auto&, httplib::Response& r) {
        // The library answers a "Range: bytes=N-" request by itself (206 and the tail)
        // as long as the handler leaves a success status unset.
        if (status != 200)
            r.status = status;
        r.set_content(body, type);
    });
}

void TestHttpServer::deliver(const QString& path, const QByteArray& bytes, const Delivery& how)
{
    handle(path, [this, body = bytes.toStdString(), how](auto&, httplib::Response& r) {
        const size_t end = how.cutAt < 0 ? body.size() : std::min(body.size(), size_t(how.cutAt));
        const auto send = [this, body, how, end](size_t offset, size_t, httplib::DataSink& sink) {
            // The pause goes in short slices, so that the destructor never waits for a whole stall.
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(offset ? how.pauseMs : 0);
            while (!m_stopping && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            // Short of the length owed, false drops the connection.
            return offset < end && !m_stopping && (!how.beforePiece || how.beforePiece(offset))
                && sink.write(body.data() + offset, std::min(how.piece, end - offset));
        };
        // Without a length there is no Content-Range to send: a file server answers 200.
        if (how.chunked) {
            r.status = 200;
            return r.set_chunked_content_provider(kOctets, [send, end](size_t offset, httplib::DataSink& sink) {
                return offset < end ? send(offset, 0, sink) : (sink.done(), true);
            });
        }
        if (how.announced >= 0)
            r.set_header("Connection", "close");
        r.set_content_provider(how.announced < 0 ? body.size() : size_t(how.announced), kOctets, send);
    });
}

void TestHttpServer::serveFile(const QString& path, const QByteArray& bytes, const FileVersion& version,
                               const Delivery& how)
{
    const std::string etag = version.etag.toStdString();
    const std::string date = version.lastModified.toStdString();
    const std::string body = bytes.toStdString();
    handle(path, [this, body, etag, date, how](const httplib::Request& request, httplib::Response& r) {
        const std::string ifRange = request.get_header_value("If-Range");
        const bool sameVersion = ifRange.empty() || ifRange == etag || ifRange == date;
        const ssize_t asked = request.ranges.empty() ? 0 : request.ranges[0].first;
        const size_t from = sameVersion ? size_t(std::max<ssize_t>(asked, 0)) : 0;
        // The library would slice the body once more by the request's range.
        const_cast<httplib::Request&>(request).ranges.clear();
        if (!etag.empty())
            r.set_header("ETag", etag);
        if (!date.empty())
            r.set_header("Last-Modified", date);
        if (from > 0) {
            r.status = 206;
            const std::string range = std::to_string(from) + "-" + std::to_string(body.size() - 1);
            r.set_header("Content-Range", "bytes " + range + "/" + std::to_string(body.size()));
        }
        const size_t cut = how.cutAt < 0 ? body.size() : std::min(body.size(), size_t(how.cutAt));
        const size_t end = std::max(from, cut);
        const auto send = [this, body, how, from, end](size_t offset, size_t, httplib::DataSink& sink) {
            const size_t at = from + offset;
            const size_t length = std::min(how.piece, end - std::min(end, at));
            if (length == 0 || m_stopping || (how.beforePiece && !how.beforePiece(at)))
                return false;
            if (offset > 0 && how.pauseMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(how.pauseMs));
            m_bodyBytes += qint64(length);
            return sink.write(body.data() + at, length);
        };
        r.set_content_provider(body.size() - from, kOctets, send);
    });
}

QList<RecordedRequest> TestHttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void TestHttpServer::dispatch(const httplib::Request& request, httplib::Response& response)
{
    RecordedRequest recorded{QString::fromStdString(request.target), QString::fromStdString(request.method), {}};
    for (const auto& [name, value] : request.headers)
        recorded.headers.insert(QString::fromStdString(name).toLower(), QString::fromStdString(value));
    std::unique_lock lock(m_mutex);
    m_requests.append(recorded);
    auto found = m_routes.find(request.path);
    if (found == m_routes.end())
        found = m_routes.find(request.target);
    const Handler handler = found != m_routes.end() ? found->second : Handler();
    lock.unlock();
    if (handler)
        handler(request, response);
    else
        response.status = 404;
}

int unusedLocalPort()
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound ? ntohs(address.sin_port) : -1;
}

}
