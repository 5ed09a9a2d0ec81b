// The HTTP transfer control against a real server on 127.0.0.1.
#include "net/http_transfer.h"
#include "net_test.h"

#include <ctime>
#include <tuple>

namespace {

const Timings kTimings{.httpConnectTimeoutMs = 2000, .httpIdleTimeoutMs = 1000, .fetchDeadlineMs = 10000};

// Waits in the event loop until the control has answered; fails instead of hanging.
bool get(HttpTransfer& http, const QString& url)
{
    return http.start({.url = url}) && QTest::qWaitFor([&] { return !http.awaitingResponse(); }, 10000);
}

QByteArray readAll(HttpTransfer& http, int chunk = 1024)
{
    QByteArray all;
    for (QByteArray bytes = http.readBody(chunk); !bytes.isEmpty(); bytes = http.readBody(chunk))
        all += bytes;
    return all;
}

}

// A reader that does not keep up holds the transfer back instead of letting the body pile
// up in memory; an error status or no server is a failure, not content; a second request
// is refused while one runs, a cancel ends the wait, and the control is free afterwards.
TEST(HttpTransfer, GetsTheBodyInABoundedBufferAndOutlivesEveryFailure)
{
    TestHttpServer server;
    const QByteArray body = patterned(8 * 1024 * 1024);
    server.serve("/videos/night/a.mp4", body);
    server.serve("/missing", "not here", 404, "text/plain");
    server.deliver("/slow", "stalled-prefix..", {.announced = 1 << 20, .pauseMs = 5000});
    server.serve("/next", "next");
    using enum TransferState;
    QList<TransferState> states;
    int dataSignals = 0, finishedSignals = 0;
    HttpTransfer http(kTimings);
    QObject::connect(&http, &HttpTransfer::stateReached, [&](TransferState state) { states << state; });
    QObject::connect(&http, &HttpTransfer::dataAvailable, [&] { ++dataSignals; });
    const auto finished = QObject::connect(&http, &HttpTransfer::requestFinished, [&] {
        ++finishedSignals;
        EXPECT_EQ(states.last(), Completed) << "the final state comes before the end signal";
    });
    ASSERT_TRUE(http.start({.url = server.baseUrl() + "/videos/night/a.mp4", .rangeFrom = 0}));
    EXPECT_TRUE(http.awaitingResponse()) << "start must return before the answer";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !http.awaitingResponse(); }, 10000));
    QTest::qWait(400);
    EXPECT_LE(http.result().bytes, HttpTransfer::kBufferLimit + 256 * 1024);
    EXPECT_GT(http.result().bytes, 0);
    EXPECT_EQ(http.result().contentLength, QString::number(body.size()));
    EXPECT_TRUE(http.result().status == 200 || http.result().status == 206) << http.result().status;
    EXPECT_TRUE(readAll(http, 1 << 16) == body);
    EXPECT_TRUE(http.result().succeeded());
    EXPECT_EQ(http.result().error, QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return states.contains(Completed); }, 5000));
    EXPECT_EQ(states.first(), Resolving);
    EXPECT_TRUE(std::is_sorted(states.begin(), states.end())) << "states out of order";
    EXPECT_TRUE(states.contains(ResponseReceived));
    EXPECT_FALSE(states.contains(Failed));
    EXPECT_GE(dataSignals, 1);
    EXPECT_EQ(finishedSignals, 1);
    EXPECT_EQ(server.requests().value(0).headers.value("range"), "bytes=0-");
    QObject::disconnect(finished);

    ASSERT_TRUE(get(http, server.baseUrl() + "/missing"));
    readAll(http);
    EXPECT_EQ(http.result().status, 404);
    EXPECT_FALSE(http.result().succeeded());
    EXPECT_TRUE(http.result().error.contains("404"));

    states.clear();
    ASSERT_TRUE(get(http, QStringLiteral("http://127.0.0.1:%1/x").arg(unusedLocalPort())));
    EXPECT_TRUE(http.readBody(1024).isEmpty());
    EXPECT_EQ(http.result().status, 0);
    EXPECT_FALSE(http.result().succeeded());
    ASSERT_TRUE(QTest::qWaitFor([&] { return states.contains(Failed); }, 5000));
    EXPECT_FALSE(states.contains(Completed));

    const TransferRequest slow{.url = server.baseUrl() + "/slow", .timeoutS = 10};
    ASSERT_TRUE(http.start(slow));
    EXPECT_FALSE(http.start(slow)) << "a second command while one runs must be refused";
    EXPECT_FALSE(http.result().error.isEmpty());
    EXPECT_FALSE(http.start({.method = "PUT", .url = slow.url})) << "only GET is offered";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !http.awaitingResponse(); }, 10000));
    EXPECT_EQ(http.readBody(1024), QByteArray("stalled-prefix.."));
    QTimer::singleShot(50, &http, &HttpTransfer::cancel);
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(http.readBody(1024).isEmpty());
    EXPECT_LT(clock.elapsed(), 4000) << "cancel must end the wait";
    EXPECT_FALSE(http.result().succeeded());
    ASSERT_TRUE(get(http, server.baseUrl() + "/next"));
    EXPECT_EQ(readAll(http), QByteArray("next"));
    EXPECT_TRUE(http.result().succeeded());
}

// A stalled server, before its headers or in the middle of the body, is given up after
// the idle timeout by both HTTP engines; their waits sleep in the event loop (timers
// fire, next to no CPU).
TEST(HttpEngines, GiveUpOnAStalledServerWithoutSpinning)
{
    TestHttpServer server;
    server.deliver("/stalled", "stalled-prefix..", {.announced = 1 << 20, .pauseMs = 8000});
    SilentServer silent;
    const auto viaTransfer = [](const QString& url) {
        HttpTransfer http(kTimings);
        EXPECT_TRUE(http.start({.url = url}));
        const QByteArray got = readAll(http);
        return std::tuple{http.result().succeeded(), http.result().error, got};
    };
    const auto viaFetch = [](const QString& url) {
        TempTree tree;
        const FetchResult result = fetchToFile(url, tree.path("got"), HttpOptions::fromTimings(kTimings));
        return std::tuple{result.ok, result.error, tree.read("got")};
    };
    for (const bool transfer : {false, true}) {
        for (const QString& url :
             {server.baseUrl() + "/stalled", QStringLiteral("http://127.0.0.1:%1/x").arg(silent.port())}) {
            SCOPED_TRACE((transfer ? "HttpTransfer " : "fetchToFile ") + url.toStdString());
            int ticks = 0;
            QTimer timer;
            QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
            timer.start(15);
            QElapsedTimer wall;
            wall.start();
            const std::clock_t cpuBefore = std::clock(); // this process's CPU time
            const auto [ok, error, got] = transfer ? viaTransfer(url) : viaFetch(url);
            const double cpu = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
            const qint64 waited = wall.elapsed();
            EXPECT_FALSE(ok);
            EXPECT_TRUE(error.contains("no data")) << error.toStdString();
            EXPECT_TRUE(got.isEmpty() || (transfer && got == "stalled-prefix..")) << got.constData();
            EXPECT_GE(waited, 800) << "the idle timeout ended the wait too early";
            EXPECT_LT(waited, 4000) << "the idle timeout did not end the wait";
            EXPECT_GT(ticks, int(waited / 15 / 3)) << "timers starved during the wait";
            EXPECT_LT(cpu, 0.25 * double(waited) / 1000.0) << "the wait spins: " << cpu << " s of CPU in " << waited << " ms";
        }
    }
}
