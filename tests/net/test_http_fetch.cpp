// The plain HTTP fetch and the update server's texts and category lists, against a
// real server on 127.0.0.1 that misbehaves on demand.
#include "net/http_fetch.h"
#include "net/update_server.h"

#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

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

ServerAddress local(int port)
{
    return ServerAddress{QStringLiteral("http"), QStringLiteral("127.0.0.1"), port};
}

// A program directory with its cfg folder, as the installation leaves it.
struct ProgramTree {
    TempTree tree;
    ProgramPaths paths{tree.root()};
    ProgramTree() { tree.mkdir("cfg"); }
    QStringList cfgEntries() const { return QDir(paths.cfg()).entryList(QDir::Files | QDir::Hidden); }
};

const QString kHotel = QStringLiteral("Hôtel du Lac");
const QString kTextsPath = QStringLiteral("/zeprilia/datas/textes/Hôtel du Lac_txt.ini");

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

TEST(HttpGetToFile, AStalledServerIsGivenUpAfterTheIdleTimeout)
{
    TestHttpServer server;
    TempTree tree;
    tree.write("kept.ini", kPrevious);
    server.serveStalled("/stalled.ini", 20000);

    QElapsedTimer clock;
    clock.start();
    const FetchResult result = HttpGetToFile(server.baseUrl() + "/stalled.ini", tree.path("kept.ini"), quick());

    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains("no data")) << result.error.toStdString();
    EXPECT_LT(clock.elapsed(), 10000); // the server would stall for 20 s
    EXPECT_EQ(tree.read("kept.ini"), kPrevious);
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

TEST(UpdateServerUrls, KeepTheNamesTextButEncodeThemOnTheWire)
{
    const ServerAddress update{QStringLiteral("http"), QStringLiteral("maj.example.test"), -1};
    EXPECT_EQ(urlListUrl(update), "http://maj.example.test/zeprilia/url.txt");
    EXPECT_EQ(textsUrl(update, kHotel), "http://maj.example.test/zeprilia/datas/textes/H%C3%B4tel%20du%20Lac_txt.ini");
    // No trimming, no case change; a slash cannot climb out of the folder.
    EXPECT_EQ(textsUrl(update, QStringLiteral(" AzUre ")), "http://maj.example.test/zeprilia/datas/textes/%20AzUre%20_txt.ini");
    EXPECT_EQ(textsUrl(update, QStringLiteral("../x")), "http://maj.example.test/zeprilia/datas/textes/..%2Fx_txt.ini");
    EXPECT_EQ(videoListUrl(local(8080), QStringLiteral("plages")), "http://127.0.0.1:8080/zeprilia/datas/videos/plages.ini");
}

TEST(fetchHotelTexts, FetchesTheHotelsTextsAndKeepsThemWhenAFetchFails)
{
    TestHttpServer server;
    ProgramTree program;
    const QStringList phrases{"Bienvenue au Lac", "", QStringLiteral("Petit-déjeuner de 7h à 10h")};
    server.serve(kTextsPath, "Bienvenue au Lac\r\n\r\nPetit-déjeuner de 7h à 10h\r\n");

    const FetchResult result = fetchHotelTexts(local(server.port()), kHotel, program.paths, quick());
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].target, "/zeprilia/datas/textes/H%C3%B4tel%20du%20Lac_txt.ini");
    EXPECT_EQ(requests[0].headers.value("cache-control"), "no-cache");
    EXPECT_EQ(loadPhraseList(program.paths.textesIni()), phrases);

    server.serve(kTextsPath, "<html>Not Found</html>", 404, "text/html");
    for (const auto& [port, status] : {std::pair{server.port(), 404}, std::pair{test::unusedLocalPort(), 0}}) {
        SCOPED_TRACE(status);
        const FetchResult failed = fetchHotelTexts(local(port), kHotel, program.paths, quick());
        EXPECT_FALSE(failed.ok);
        EXPECT_EQ(failed.status, status);
        EXPECT_EQ(loadPhraseList(program.paths.textesIni()), phrases);
    }
    EXPECT_EQ(program.cfgEntries(), QStringList{"textes.ini"}); // no half-fetched file left beside it

    server.serve(kTextsPath, ""); // an empty file on the server is the hotel's choice of no texts
    EXPECT_TRUE(fetchHotelTexts(local(server.port()), kHotel, program.paths, quick()).ok);
    EXPECT_TRUE(program.tree.read("cfg/textes.ini").isEmpty());
    EXPECT_EQ(loadPhraseList(program.paths.textesIni()), QStringList{"BIENVENUE - WELCOME"});
}

TEST(fetchHotelTexts, WithoutAnyTextsTheFallbackPhraseIsShown)
{
    ProgramTree program;
    EXPECT_FALSE(fetchHotelTexts(local(test::unusedLocalPort()), kHotel, program.paths, quick()).ok);
    EXPECT_TRUE(program.tree.exists("cfg/textes.ini"));
    EXPECT_EQ(loadPhraseList(program.paths.textesIni()), QStringList{"BIENVENUE - WELCOME"});
    // A blank line is a phrase, not the absence of one.
    EXPECT_EQ(loadPhraseList(program.tree.write("blank.ini", "\r\n")), QStringList{""});
}

TEST(fetchCategoryList, ReloadsTheCategoryFromTheFetchedList)
{
    TestHttpServer server;
    ProgramTree program;
    program.tree.write("cfg/plages.ini", "stale.avi\r\n");
    server.serve("/zeprilia/datas/videos/plages.ini", "sable.avi\r\nvagues du soir.avi\r\n");
    QStringList plages{"stale.avi"};
    bool timerRan = false; // the screen keeps running while the list arrives
    QTimer::singleShot(0, [&timerRan] { timerRan = true; });

    EXPECT_TRUE(fetchCategoryList(local(server.port()), "plages", plages, program.paths, quick()));
    EXPECT_TRUE(timerRan);

    EXPECT_EQ(plages, QStringList({"sable.avi", "vagues du soir.avi"}));
    EXPECT_EQ(program.tree.read("cfg/plages.ini"), QByteArray("sable.avi\r\nvagues du soir.avi\r\n"));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].target, "/zeprilia/datas/videos/plages.ini");
}

TEST(fetchCategoryList, AListItDidNotGetIsReportedAndNeverTakenForContent)
{
    TestHttpServer server;
    server.serve("/zeprilia/datas/videos/night.ini", "<html>Internal Server Error</html>", 500, "text/html");
    server.serveCutMidBody("/zeprilia/datas/videos/boutiques.ini", QByteArray("a.avi\r\nb.avi\r\nc.avi\r\n"), 7);

    struct Case {
        const char* what;
        ServerAddress address;
        QString category;
    };
    const Case cases[] = {
        {"error status", local(server.port()), "night"},
        {"transfer cut", local(server.port()), "boutiques"},
        {"server unreachable", local(test::unusedLocalPort()), "night"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramTree program;
        program.tree.write("cfg/" + c.category + ".ini", "old.avi\r\n");
        QStringList list{"old.avi"};

        EXPECT_FALSE(fetchCategoryList(c.address, c.category, list, program.paths, quick()));
        EXPECT_TRUE(list.isEmpty());
        EXPECT_TRUE(program.tree.exists("cfg/" + c.category + ".ini"));
        EXPECT_TRUE(program.tree.read("cfg/" + c.category + ".ini").isEmpty());
    }
}
