// The plain HTTP fetch against a real server on 127.0.0.1 that misbehaves on demand.
#include "net/http_fetch.h"

#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QElapsedTimer>

#include <curl/curl.h>

#include <tuple>

#include <gtest/gtest.h>

using namespace zepril;
using zepril::test::TempTree;
using zepril::test::TestHttpServer;

namespace {

// Short bounds so that a fault never makes the suite wait long.
HttpOptions quick()
{
    HttpOptions options;
    options.connectTimeoutMs = 1000;
    options.idleTimeoutMs = 300;
    return options;
}

QByteArray binaryBody()
{
    QByteArray body("line one\r\nline two\nno end");
    body.append('\0');
    body.append(char(0xE9));
    body.append(char(0xFF));
    body.append(QByteArray(5000, 'x')); // more than one read of the client
    return body;
}

}

TEST(HttpGetToFile, StoresTheBodyByteForByteAndReportsIt)
{
    TestHttpServer server;
    TempTree tree;
    server.serve("/list.ini", binaryBody());

    const FetchResult result = HttpGetToFile(server.baseUrl() + "/list.ini", tree.path("list.ini"), quick());

    EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.bytes, binaryBody().size());
    EXPECT_TRUE(result.error.isEmpty());
    EXPECT_EQ(tree.read("list.ini"), binaryBody());
}

TEST(HttpGetToFile, AShorterBodyReplacesALongerFileWhole)
{
    TestHttpServer server;
    TempTree tree;
    tree.write("texts.ini", "an old and much longer content\r\nsecond line\r\n");
    server.serve("/texts.ini", "new\r\n");

    EXPECT_TRUE(HttpGetToFile(server.baseUrl() + "/texts.ini", tree.path("texts.ini"), quick()).ok);
    EXPECT_EQ(tree.read("texts.ini"), QByteArray("new\r\n"));
}

TEST(HttpGetToFile, ABodySentInChunksWithoutALengthIsStored)
{
    TestHttpServer server;
    TempTree tree;
    server.serveWithoutLength("/feed.xml", binaryBody());

    const FetchResult result = HttpGetToFile(server.baseUrl() + "/feed.xml", tree.path("feed.xml"), quick());
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(tree.read("feed.xml"), binaryBody());
}

TEST(HttpGetToFile, AnErrorStatusIsAFailureAndNeverContent)
{
    TestHttpServer server;
    server.serve("/missing.ini", "<html><body>Not Found</body></html>", 404, "text/html");
    server.serve("/broken.ini", "<html><body>Internal error</body></html>", 500, "text/html");

    for (const QString path : {QStringLiteral("/missing.ini"), QStringLiteral("/broken.ini")}) {
        SCOPED_TRACE(path.toStdString());
        TempTree tree;
        tree.write("kept.ini", "previous content\r\n");

        const FetchResult kept = HttpGetToFile(server.baseUrl() + path, tree.path("kept.ini"), quick());
        EXPECT_FALSE(kept.ok);
        EXPECT_EQ(kept.status, path == "/missing.ini" ? 404 : 500);
        EXPECT_FALSE(kept.error.isEmpty());
        EXPECT_EQ(tree.read("kept.ini"), QByteArray("previous content\r\n"));

        const FetchResult created = HttpGetToFile(server.baseUrl() + path, tree.path("new.ini"), quick());
        EXPECT_FALSE(created.ok);
        ASSERT_TRUE(tree.exists("new.ini"));
        EXPECT_TRUE(tree.read("new.ini").isEmpty());
    }
}

TEST(HttpGetToFile, AnUnreachableServerLeavesTheFileContract)
{
    TempTree tree;
    tree.write("kept.ini", "previous content\r\n");
    const QString url = QStringLiteral("http://127.0.0.1:%1/list.ini").arg(test::unusedLocalPort());

    const FetchResult kept = HttpGetToFile(url, tree.path("kept.ini"), quick());
    EXPECT_FALSE(kept.ok);
    EXPECT_EQ(kept.status, 0);
    EXPECT_FALSE(kept.error.isEmpty());
    EXPECT_EQ(tree.read("kept.ini"), QByteArray("previous content\r\n"));

    EXPECT_FALSE(HttpGetToFile(url, tree.path("new.ini"), quick()).ok);
    ASSERT_TRUE(tree.exists("new.ini"));
    EXPECT_TRUE(tree.read("new.ini").isEmpty());
}

TEST(HttpGetToFile, ATransferThatBreaksBeforeItsEndWritesNothing)
{
    TestHttpServer server;
    const QByteArray full(20000, 'v');
    server.serveCutMidBody("/cut.ini", full, 7000);
    server.serveWrongLength("/short.ini", "only this", 5000);

    for (const QString path : {QStringLiteral("/cut.ini"), QStringLiteral("/short.ini")}) {
        SCOPED_TRACE(path.toStdString());
        TempTree tree;
        tree.write("kept.ini", "previous content\r\n");

        const FetchResult result = HttpGetToFile(server.baseUrl() + path, tree.path("kept.ini"), quick());
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.status, 200);
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_EQ(tree.read("kept.ini"), QByteArray("previous content\r\n"));

        EXPECT_FALSE(HttpGetToFile(server.baseUrl() + path, tree.path("new.ini"), quick()).ok);
        EXPECT_TRUE(tree.read("new.ini").isEmpty());
    }
}

TEST(HttpGetToFile, AStalledServerIsGivenUpAfterTheIdleTimeout)
{
    TestHttpServer server;
    TempTree tree;
    tree.write("kept.ini", "previous content\r\n");
    server.serveStalled("/stalled.ini", 20000);

    QElapsedTimer clock;
    clock.start();
    const FetchResult result = HttpGetToFile(server.baseUrl() + "/stalled.ini", tree.path("kept.ini"), quick());

    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains("no data")) << result.error.toStdString();
    // The server would stall for 20 s; the fetch must have given up long before.
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(tree.read("kept.ini"), QByteArray("previous content\r\n"));
}

TEST(HttpGetToFile, AsksPastEveryCacheAndFollowsRedirects)
{
    TestHttpServer server;
    TempTree tree;
    server.serve("/final.ini", "moved here");
    server.handle("/old.ini", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/final.ini");
    });

    const FetchResult result = HttpGetToFile(server.baseUrl() + "/old.ini", tree.path("got.ini"), quick());
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(tree.read("got.ini"), QByteArray("moved here"));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/old.ini");
    EXPECT_EQ(requests[1].target, "/final.ini");
    for (const auto& request : requests) {
        EXPECT_EQ(request.headers.value("cache-control"), "no-cache");
        EXPECT_EQ(request.headers.value("pragma"), "no-cache");
    }
}

TEST(HttpGetToFile, AnEmptySuccessfulBodyCreatesAMissingFileAndKeepsAnExistingOne)
{
    TestHttpServer server;
    TempTree tree;
    server.serve("/empty.ini", "");
    tree.write("kept.ini", "previous\r\n");

    const FetchResult created = HttpGetToFile(server.baseUrl() + "/empty.ini", tree.path("new.ini"), quick());
    EXPECT_TRUE(created.ok);
    EXPECT_EQ(created.bytes, 0);
    ASSERT_TRUE(tree.exists("new.ini"));
    EXPECT_TRUE(tree.read("new.ini").isEmpty());

    EXPECT_TRUE(HttpGetToFile(server.baseUrl() + "/empty.ini", tree.path("kept.ini"), quick()).ok);
    EXPECT_EQ(tree.read("kept.ini"), QByteArray("previous\r\n"));
}

// The shared test server's own promise that the video downloads rely on: a request
// for the tail of a file gets 206 and exactly that tail.
TEST(TestHttpServer, AnswersARangeFromAnOffsetWithItsTail)
{
    TestHttpServer server;
    server.serve("/videos/plages/clip.avi", "0123456789");
    const QByteArray url = (server.baseUrl() + "/videos/plages/clip.avi").toUtf8();

    for (const auto& [range, status, expected] : {std::tuple{"4-", 206L, QByteArray("456789")},
                                                  std::tuple{"0-", 206L, QByteArray("0123456789")}}) {
        SCOPED_TRACE(range);
        QByteArray body;
        CURL* easy = curl_easy_init();
        ASSERT_NE(easy, nullptr);
        curl_easy_setopt(easy, CURLOPT_URL, url.constData());
        curl_easy_setopt(easy, CURLOPT_RANGE, range);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* user) {
            static_cast<QByteArray*>(user)->append(data, qsizetype(size * count));
            return size * count;
        });
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
        EXPECT_EQ(curl_easy_perform(easy), CURLE_OK);
        long code = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
        curl_easy_cleanup(easy);
        EXPECT_EQ(code, status);
        EXPECT_EQ(body, expected);
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].headers.value("range"), "bytes=4-");
}
