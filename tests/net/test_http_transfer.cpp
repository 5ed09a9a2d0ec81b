// The HTTP transfer control against a real server on 127.0.0.1.
#include "net/http_transfer.h"
#include "support/http_test_server.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>

#include <ctime>

using zepril::HttpTransfer;
using zepril::Timings;
using zepril::test::TestHttpServer;

namespace {

QByteArray patterned(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xff);
    return bytes;
}

Timings shortTimings()
{
    Timings t;
    t.httpConnectTimeoutMs = 2000;
    t.httpIdleTimeoutMs = 1000;
    return t;
}

// Waits in the event loop until the control has answered; fails instead of hanging.
bool waitForResponse(HttpTransfer& http, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (http.stillExecuting() && clock.elapsed() < timeoutMs) {
        QEventLoop loop;
        QObject::connect(&http, &HttpTransfer::stateChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !http.stillExecuting();
}

QByteArray readAll(HttpTransfer& http)
{
    QByteArray all;
    for (QByteArray chunk = http.getChunk(1024); !chunk.isEmpty(); chunk = http.getChunk(1024))
        all += chunk;
    return all;
}

// Every state the control signals, in order.
struct StateLog {
    explicit StateLog(HttpTransfer& http)
        : connection(QObject::connect(&http, &HttpTransfer::stateChanged, [this](int state) { states.append(state); }))
    {
    }
    ~StateLog() { QObject::disconnect(connection); }
    StateLog(const StateLog&) = delete;
    StateLog& operator=(const StateLog&) = delete;
    QMetaObject::Connection connection;
    QList<int> states;
};

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

}

TEST(HttpTransfer, GetsTheBodyWithHeadersStatesAndTheRequestHeaders)
{
    TestHttpServer server;
    const QByteArray body = patterned(300000);
    server.serve("/videos/night/a.mp4", body);

    HttpTransfer http(shortTimings());
    StateLog log(http);
    int dataSignals = 0;
    int finishedSignals = 0;
    QObject::connect(&http, &HttpTransfer::dataAvailable, [&] { ++dataSignals; });
    QObject::connect(&http, &HttpTransfer::requestFinished, [&] {
        ++finishedSignals;
        EXPECT_EQ(log.states.last(), 12) << "the final state comes before the end signal";
    });
    http.setUrl(server.baseUrl() + "/videos/night/a.mp4");
    ASSERT_TRUE(http.execute("GET", "Range: bytes=0-\r\n"));
    EXPECT_TRUE(http.stillExecuting()) << "execute must return before the answer";
    ASSERT_TRUE(waitForResponse(http));

    EXPECT_EQ(http.getHeader("content-length"), QString::number(body.size()));
    EXPECT_TRUE(http.getHeader().contains("Content-Length: 300000")) << http.getHeader().toStdString();
    EXPECT_EQ(http.getHeader("X-Absent"), QString());
    EXPECT_TRUE(http.responseCode() == 200 || http.responseCode() == 206) << http.responseCode();
    EXPECT_EQ(readAll(http), body);
    EXPECT_TRUE(http.succeeded());
    EXPECT_EQ(http.lastError(), QString());
    EXPECT_EQ(http.bytesReceived(), body.size());

    ASSERT_TRUE(QTest::qWaitFor([&] { return log.states.contains(12); }, 5000));
    const QList<int> seen = log.states;
    EXPECT_EQ(seen.first(), 1);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << "states out of order";
    EXPECT_TRUE(seen.contains(8));
    EXPECT_FALSE(seen.contains(11));
    EXPECT_GE(dataSignals, 1);
    EXPECT_EQ(finishedSignals, 1);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/videos/night/a.mp4");
    EXPECT_EQ(requests[0].headers.value("range"), "bytes=0-");
}

TEST(HttpTransfer, ReportsFailuresInsteadOfContent)
{
    TestHttpServer server;
    HttpTransfer http(shortTimings());

    { // nothing listens
        StateLog log(http);
        http.setUrl(QStringLiteral("http://127.0.0.1:%1/x").arg(zepril::test::unusedLocalPort()));
        ASSERT_TRUE(http.execute("GET"));
        ASSERT_TRUE(waitForResponse(http));
        EXPECT_EQ(http.responseCode(), 0);
        EXPECT_TRUE(http.getChunk(1024).isEmpty());
        EXPECT_FALSE(http.succeeded());
        EXPECT_FALSE(http.lastError().isEmpty());
        ASSERT_TRUE(QTest::qWaitFor([&] { return log.states.contains(11); }, 5000));
        EXPECT_FALSE(log.states.contains(12));
    }
    { // an error status with a body
        server.serve("/missing", "not here", 404, "text/plain");
        http.setUrl(server.baseUrl() + "/missing");
        ASSERT_TRUE(http.execute("GET"));
        ASSERT_TRUE(waitForResponse(http));
        EXPECT_EQ(http.responseCode(), 404);
        readAll(http);
        EXPECT_FALSE(http.succeeded());
        EXPECT_TRUE(http.lastError().contains("404"));
    }
    { // the body stops before its announced length
        const QByteArray body = patterned(200000);
        server.serveCutMidBody("/cut", body, 70000);
        http.setUrl(server.baseUrl() + "/cut");
        ASSERT_TRUE(http.execute("GET"));
        ASSERT_TRUE(waitForResponse(http));
        const QByteArray got = readAll(http);
        EXPECT_LE(got.size(), 70000);
        EXPECT_EQ(got, body.left(got.size()));
        EXPECT_FALSE(http.succeeded());
        EXPECT_FALSE(http.lastError().isEmpty());
    }
}

TEST(HttpTransfer, RefusesASecondRequestAndCanBeCancelled)
{
    TestHttpServer server;
    server.serveStalled("/slow", 5000);
    HttpTransfer http(shortTimings());
    http.setRequestTimeout(10);
    http.setUrl(server.baseUrl() + "/slow");
    ASSERT_TRUE(http.execute("GET"));
    EXPECT_FALSE(http.execute("GET")) << "a second command while one runs must be refused";
    EXPECT_FALSE(http.lastError().isEmpty());
    EXPECT_FALSE(http.execute("PUT")) << "only GET is offered";

    ASSERT_TRUE(waitForResponse(http));
    EXPECT_EQ(http.getChunk(1024), QByteArray("stalled-prefix.."));
    QTimer::singleShot(50, &http, &HttpTransfer::cancel);
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(http.getChunk(1024).isEmpty());
    EXPECT_LT(clock.elapsed(), 4000) << "cancel must end the wait";
    EXPECT_FALSE(http.succeeded());

    // The control is free again afterwards.
    server.serve("/next", "next");
    http.setUrl(server.baseUrl() + "/next");
    ASSERT_TRUE(http.execute("GET"));
    ASSERT_TRUE(waitForResponse(http));
    EXPECT_EQ(readAll(http), QByteArray("next"));
    EXPECT_TRUE(http.succeeded());
}

// While the body waits on the network the thread sleeps in its event loop: timers keep
// firing, and the process burns next to no CPU. A stalled body ends as a failure once
// the idle timeout has passed.
TEST(HttpTransfer, WaitsWithoutSpinningAndGivesUpOnAStalledBody)
{
    TestHttpServer server;
    server.serveStalled("/stalled", 8000);
    HttpTransfer http(shortTimings());
    http.setUrl(server.baseUrl() + "/stalled");
    ASSERT_TRUE(http.execute("GET"));
    ASSERT_TRUE(waitForResponse(http));
    EXPECT_EQ(http.getChunk(1024), QByteArray("stalled-prefix.."));

    int ticks = 0;
    QTimer timer;
    timer.setInterval(15);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = processCpuSeconds();
    EXPECT_TRUE(http.getChunk(1024).isEmpty());
    const double cpu = processCpuSeconds() - cpuBefore;
    const qint64 waited = wall.elapsed();

    EXPECT_FALSE(http.succeeded());
    EXPECT_FALSE(http.lastError().isEmpty());
    EXPECT_GE(waited, 500) << "the idle timeout ended the wait too early";
    EXPECT_LT(waited, 6000) << "the idle timeout did not end the wait";
    EXPECT_GT(ticks, int(waited / 15 / 3)) << "timers starved during the wait";
    EXPECT_LT(cpu, 0.25 * double(waited) / 1000.0) << "the wait spins: " << cpu << " s of CPU in " << waited << " ms";
}

// A reader that does not keep up holds the transfer back instead of letting the body
// pile up in memory.
TEST(HttpTransfer, HoldsTheBodyInABoundedBuffer)
{
    TestHttpServer server;
    const QByteArray body = patterned(8 * 1024 * 1024);
    server.serve("/big", body);
    HttpTransfer http(shortTimings());
    http.setUrl(server.baseUrl() + "/big");
    ASSERT_TRUE(http.execute("GET"));
    ASSERT_TRUE(waitForResponse(http));

    QTest::qWait(400);
    EXPECT_LE(http.bytesReceived(), HttpTransfer::kBufferLimit + 256 * 1024);
    EXPECT_GT(http.bytesReceived(), 0);

    QByteArray all;
    for (QByteArray chunk = http.getChunk(1 << 20); !chunk.isEmpty(); chunk = http.getChunk(1 << 20))
        all += chunk;
    EXPECT_EQ(all.size(), body.size());
    EXPECT_TRUE(all == body);
    EXPECT_TRUE(http.succeeded());
}
