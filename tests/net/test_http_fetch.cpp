// The plain HTTP fetch against a real server on 127.0.0.1 that misbehaves on demand.
#include "net_test.h"

#include <tuple>

// The body is stored byte for byte, replacing the old file; whatever goes wrong, an
// existing file keeps its content and a missing one is created empty.
TEST(FetchToFile, StoresTheBodyByteForByteAndNeverTakesAFailureForContent)
{
    QByteArray binary("line one\r\nline two\nno end");
    binary.append('\0').append(char(0xE9)).append(char(0xFF)).append(QByteArray(5000, 'x')); // several reads
    TestHttpServer server;
    server.serve("/list.ini", binary);
    server.deliver("/feed.xml", binary, {.chunked = true});
    server.serve("/texts.ini", "new\r\n"); // shorter than the file it replaces
    server.serve("/empty.ini", "");         // no content: an existing file is kept
    server.handle("/old.ini",
                  [](const httplib::Request&, httplib::Response& response) { response.set_redirect("/texts.ini"); });
    server.serve("/missing.ini", "<html><body>Not Found</body></html>", 404, "text/html");
    server.serve("/broken.ini", "<html><body>Internal error</body></html>", 500, "text/html");
    server.deliver("/cut.ini", QByteArray(20000, 'v'), {.cutAt = 7000});
    server.deliver("/short.ini", "only this", {.announced = 5000});

    const std::tuple<QString, bool, int, QByteArray> rows[] = {
        {server.baseUrl() + "/list.ini", true, 200, binary},     {server.baseUrl() + "/feed.xml", true, 200, binary},
        {server.baseUrl() + "/texts.ini", true, 200, "new\r\n"}, {server.baseUrl() + "/old.ini", true, 200, "new\r\n"},
        {server.baseUrl() + "/empty.ini", true, 200, ""},        {server.baseUrl() + "/missing.ini", false, 404, {}},
        {server.baseUrl() + "/broken.ini", false, 500, {}},      {server.baseUrl() + "/cut.ini", false, 200, {}},
        {server.baseUrl() + "/short.ini", false, 200, {}},
        {QStringLiteral("http://127.0.0.1:%1/list.ini").arg(unusedLocalPort()), false, 0, {}}};
    for (const auto& [url, ok, status, body] : rows) {
        SCOPED_TRACE(url.toStdString());
        TempTree tree;
        tree.write("got.ini", kPrevious);
        const FetchResult result = fetchToFile(url, tree.path("got.ini"), kQuick);
        EXPECT_EQ(result.ok, ok) << result.error.toStdString();
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.error.isEmpty(), ok);
        if (ok) {
            EXPECT_EQ(result.bytes, body.size());
        }
        EXPECT_EQ(tree.read("got.ini"), body.isEmpty() ? kPrevious : body);
        EXPECT_EQ(fetchToFile(url, tree.path("new.ini"), kQuick).ok, ok);
        ASSERT_TRUE(tree.exists("new.ini"));
        EXPECT_EQ(tree.read("new.ini"), body);
    }
    for (const auto& request : server.requests()) {
        EXPECT_EQ(request.headers.value("cache-control"), "no-cache");
        EXPECT_EQ(request.headers.value("pragma"), "no-cache");
    }
}
