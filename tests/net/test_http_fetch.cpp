// The plain HTTP fetch against a real server on 127.0.0.1 that misbehaves on demand.
#include "net/http_fetch.h"

#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <tuple>
#include <utility>

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

const QByteArray kPrevious = "an old and much longer content\r\nsecond line\r\n";

}

TEST(HttpGetToFile, StoresTheBodyByteForByteReplacingTheOldFile)
{
    QByteArray binary("line one\r\nline two\nno end");
    binary.append('\0').append(char(0xE9)).append(char(0xFF)).append(QByteArray(5000, 'x')); // several reads
    TestHttpServer server;
    server.serve("/list.ini", binary);
    server.serveWithoutLength("/feed.xml", binary);
    server.serve("/texts.ini", "new\r\n"); // shorter than the file it replaces
    server.serve("/empty.ini", "");         // no content: an existing file is kept, a missing one created

    const std::tuple<const char*, QByteArray, QByteArray> rows[] = {
        {"/list.ini", binary, binary}, {"/feed.xml", binary, binary}, {"/texts.ini", "new\r\n", "new\r\n"}, {"/empty.ini", "", kPrevious}};
    for (const auto& [path, body, stored] : rows) {
        SCOPED_TRACE(path);
        TempTree tree;
        tree.write("got.ini", kPrevious);
        const FetchResult result = HttpGetToFile(server.baseUrl() + path, tree.path("got.ini"), quick());
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.status, 200);
        EXPECT_EQ(result.bytes, body.size());
        EXPECT_EQ(tree.read("got.ini"), stored);

        EXPECT_TRUE(HttpGetToFile(server.baseUrl() + path, tree.path("new.ini"), quick()).ok);
        ASSERT_TRUE(tree.exists("new.ini"));
        EXPECT_EQ(tree.read("new.ini"), body);
    }
}

// Whatever goes wrong, an existing file keeps its content and a missing one is created empty.
TEST(HttpGetToFile, AFailureIsNeverTakenForContent)
{
    TestHttpServer server;
    server.serve("/missing.ini", "<html><body>Not Found</body></html>", 404, "text/html");
    server.serve("/broken.ini", "<html><body>Internal error</body></html>", 500, "text/html");
    server.serveCutMidBody("/cut.ini", QByteArray(20000, 'v'), 7000);
    server.serveWrongLength("/short.ini", "only this", 5000);
    const QString unreachable = QStringLiteral("http://127.0.0.1:%1/list.ini").arg(test::unusedLocalPort());

    const std::pair<QString, int> rows[] = {{server.baseUrl() + "/missing.ini", 404}, {server.baseUrl() + "/broken.ini", 500},
                                             {server.baseUrl() + "/cut.ini", 200}, {server.baseUrl() + "/short.ini", 200},
                                             {unreachable, 0}};
    for (const auto& [url, status] : rows) {
        SCOPED_TRACE(url.toStdString());
        TempTree tree;
        tree.write("kept.ini", kPrevious);

        const FetchResult kept = HttpGetToFile(url, tree.path("kept.ini"), quick());
        EXPECT_FALSE(kept.ok);
        EXPECT_EQ(kept.status, status);
        EXPECT_FALSE(kept.error.isEmpty());
        EXPECT_EQ(tree.read("kept.ini"), kPrevious);

        EXPECT_FALSE(HttpGetToFile(url, tree.path("new.ini"), quick()).ok);
        ASSERT_TRUE(tree.exists("new.ini"));
        EXPECT_TRUE(tree.read("new.ini").isEmpty());
    }
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
    EXPECT_EQ(requests[0].target, "/old.ini");
    EXPECT_EQ(requests[1].target, "/final.ini");
    for (const auto& request : requests) {
        EXPECT_EQ(request.headers.value("cache-control"), "no-cache");
        EXPECT_EQ(request.headers.value("pragma"), "no-cache");
    }
}

