// The texts and category-list fetches against a real update server on 127.0.0.1.
#include "net/update_server.h"

#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace zepril;
using zepril::test::TempTree;
using zepril::test::TestHttpServer;

namespace {

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

TEST(DownTextesDirect, FetchesTheHotelsTextsUnderItsEncodedName)
{
    TestHttpServer server;
    ProgramTree program;
    server.serve(kTextsPath, "Bienvenue au Lac\r\n\r\nPetit-déjeuner de 7h à 10h\r\n");

    const FetchResult result = DownTextesDirect(local(server.port()), kHotel, program.paths, quick());

    EXPECT_TRUE(result.ok) << result.error.toStdString();
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].target, "/zeprilia/datas/textes/H%C3%B4tel%20du%20Lac_txt.ini");
    EXPECT_EQ(requests[0].headers.value("cache-control"), "no-cache");
    EXPECT_EQ(loadPhraseList(program.paths.textesIni()),
              QStringList({"Bienvenue au Lac", "", QStringLiteral("Petit-déjeuner de 7h à 10h")}));
    EXPECT_EQ(program.cfgEntries(), QStringList{"textes.ini"});
}

TEST(DownTextesDirect, AFailedFetchKeepsThePreviousTexts)
{
    TestHttpServer server;
    ProgramTree program;
    const QByteArray good = "Bienvenue\r\nWelcome\r\n";
    server.serve(kTextsPath, good);
    ASSERT_TRUE(DownTextesDirect(local(server.port()), kHotel, program.paths, quick()).ok);

    {
        SCOPED_TRACE("server answers 404");
        server.serve(kTextsPath, "<html>Not Found</html>", 404, "text/html");
        const FetchResult result = DownTextesDirect(local(server.port()), kHotel, program.paths, quick());
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.status, 404);
        EXPECT_EQ(program.tree.read("cfg/textes.ini"), good);
        EXPECT_EQ(loadPhraseList(program.paths.textesIni()), QStringList({"Bienvenue", "Welcome"}));
    }
    {
        SCOPED_TRACE("server unreachable");
        const FetchResult result = DownTextesDirect(local(test::unusedLocalPort()), kHotel, program.paths, quick());
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(program.tree.read("cfg/textes.ini"), good);
    }
    {
        SCOPED_TRACE("transfer cut");
        server.serveCutMidBody(kTextsPath, QByteArray(4000, 'p'), 1000);
        EXPECT_FALSE(DownTextesDirect(local(server.port()), kHotel, program.paths, quick()).ok);
        EXPECT_EQ(program.tree.read("cfg/textes.ini"), good);
    }
    // No half-fetched file is left behind in cfg.
    EXPECT_EQ(program.cfgEntries(), QStringList{"textes.ini"});
}

TEST(DownTextesDirect, WithoutPreviousTextsAFailureLeavesTheFallbackPhrase)
{
    ProgramTree program;
    EXPECT_FALSE(DownTextesDirect(local(test::unusedLocalPort()), kHotel, program.paths, quick()).ok);
    EXPECT_TRUE(program.tree.exists("cfg/textes.ini"));
    EXPECT_EQ(loadPhraseList(program.paths.textesIni()), QStringList{"BIENVENUE - WELCOME"});
}

TEST(DownTextesDirect, AnEmptyTextsFileOnTheServerGivesTheFallbackPhrase)
{
    TestHttpServer server;
    ProgramTree program;
    server.serve(kTextsPath, "Old texts\r\n");
    ASSERT_TRUE(DownTextesDirect(local(server.port()), kHotel, program.paths, quick()).ok);

    server.serve(kTextsPath, "");
    EXPECT_TRUE(DownTextesDirect(local(server.port()), kHotel, program.paths, quick()).ok);
    EXPECT_TRUE(program.tree.read("cfg/textes.ini").isEmpty());
    EXPECT_EQ(loadPhraseList(program.paths.textesIni()), QStringList{"BIENVENUE - WELCOME"});
}

TEST(LoadPhraseList, FallsBackOnlyWhenThereIsNoLine)
{
    TempTree tree;
    EXPECT_EQ(loadPhraseList(tree.path("missing.ini")), QStringList{"BIENVENUE - WELCOME"});
    tree.write("blank.ini", "\r\n");
    EXPECT_EQ(loadPhraseList(tree.path("blank.ini")), QStringList{""});
}

TEST(DownloadVideoList, ReloadsTheCategoryFromTheFetchedList)
{
    TestHttpServer server;
    ProgramTree program;
    program.tree.write("cfg/plages.ini", "stale.avi\r\n");
    server.serve("/zeprilia/datas/videos/plages.ini", "sable.avi\r\nvagues du soir.avi\r\n");
    QStringList plages{"stale.avi"};

    EXPECT_TRUE(DownloadVideoList(local(server.port()), "plages", plages, program.paths, quick()));

    EXPECT_EQ(plages, QStringList({"sable.avi", "vagues du soir.avi"}));
    EXPECT_EQ(program.tree.read("cfg/plages.ini"), QByteArray("sable.avi\r\nvagues du soir.avi\r\n"));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].target, "/zeprilia/datas/videos/plages.ini");
}

TEST(DownloadVideoList, AListItDidNotGetIsReportedAndNeverTakenForContent)
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
        {"missing on the server", local(server.port()), "services"},
        {"transfer cut", local(server.port()), "boutiques"},
        {"server unreachable", local(test::unusedLocalPort()), "night"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramTree program;
        program.tree.write("cfg/" + c.category + ".ini", "old.avi\r\n");
        QStringList list{"old.avi"};

        EXPECT_FALSE(DownloadVideoList(c.address, c.category, list, program.paths, quick()));
        EXPECT_TRUE(list.isEmpty());
        EXPECT_TRUE(program.tree.exists("cfg/" + c.category + ".ini"));
        EXPECT_TRUE(program.tree.read("cfg/" + c.category + ".ini").isEmpty());
    }
}

TEST(DownloadVideoList, LetsTheEventLoopRun)
{
    TestHttpServer server;
    ProgramTree program;
    server.serve("/zeprilia/datas/videos/restaurants.ini", "menu.avi\r\n");
    bool timerRan = false;
    QTimer::singleShot(0, [&timerRan] { timerRan = true; });
    QStringList restaurants;

    EXPECT_TRUE(DownloadVideoList(local(server.port()), "restaurants", restaurants, program.paths, quick()));
    EXPECT_TRUE(timerRan);
}
