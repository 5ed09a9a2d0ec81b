// What the player fetches from the update server - texts, category lists, the URL
// list - against a real server on 127.0.0.1 that misbehaves on demand.
#include "net/update_server.h"

#include "support/http_test_server.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <tuple>
#include <iostream>
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

// The worst delay of a 15 ms timer on this thread while work() runs, in ms; a thread
// that blocks counts the whole block.
qint64 worstTimerLateness(const std::function<void()>& work)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 worst = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        worst = std::max(worst, clock.elapsed() - last - 15);
        last = clock.elapsed();
    });
    timer.start(15);
    work();
    return std::max(worst, clock.elapsed() - last - 15);
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

TEST(fetchHotelTexts, FetchesTheHotelsTextsAndAnEmptyAnswerMeansNoTexts)
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

TEST(fetchCategoryList, ReloadsTheCategoryFromTheFetchedListOrReportsItCouldNot)
{
    TestHttpServer server;
    ProgramTree program;
    program.tree.write("cfg/plages.ini", "stale.avi\r\n");
    server.serve("/zeprilia/datas/videos/plages.ini", "sable.avi\r\nvagues du soir.avi\r\n");
    QStringList plages{"stale.avi"};
    EXPECT_TRUE(fetchCategoryList(local(server.port()), "plages", plages, program.paths, quick()));
    EXPECT_EQ(plages, QStringList({"sable.avi", "vagues du soir.avi"}));
    EXPECT_EQ(program.tree.read("cfg/plages.ini"), QByteArray("sable.avi\r\nvagues du soir.avi\r\n"));
    EXPECT_EQ(server.requests().value(0).target, "/zeprilia/datas/videos/plages.ini");

    // A list it did not get is reported, and its old names are no longer current.
    server.serveCutMidBody("/zeprilia/datas/videos/plages.ini", QByteArray("a.avi\r\nb.avi\r\nc.avi\r\n"), 7);
    EXPECT_FALSE(fetchCategoryList(local(server.port()), "plages", plages, program.paths, quick()));
    EXPECT_TRUE(plages.isEmpty());
    EXPECT_TRUE(program.tree.exists("cfg/plages.ini"));
    EXPECT_TRUE(program.tree.read("cfg/plages.ini").isEmpty());
}

// However the update server misbehaves, the fetch ends within its bounds, the screen's
// timers keep running meanwhile, and the hotel's texts stay as they were.
TEST(fetchHotelTexts, AMisbehavingServerNeitherFreezesTheScreenNorTouchesTheTexts)
{
    TestHttpServer trickle, huge, error;
    QTcpServer silent; // accepts, never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    trickle.serveTrickle(kTextsPath, 1000, 300);
    huge.serveWithoutLength(kTextsPath, QByteArray(kTextsMaxBytes + 1, 'x'));
    error.serve(kTextsPath, "<html>Service Unavailable</html>", 503, "text/html");
    HttpOptions options = quick();
    options.idleTimeoutMs = 700;
    options.deadlineMs = 1500;

    const std::tuple<const char*, int, const char*> rows[] = {
        {"trickle past the deadline", trickle.port(), "within 1500 ms"},
        {"silent", int(silent.serverPort()), "no data"},
        {"huge", huge.port(), "larger than"},
        {"error status", error.port(), "503"},
    };
    for (const auto& [what, port, reason] : rows) {
        SCOPED_TRACE(what);
        ProgramTree program;
        program.tree.write("cfg/textes.ini", kPrevious);
        FetchResult result;
        QElapsedTimer t;
        t.start();
        const qint64 worst = worstTimerLateness([&] { result = fetchHotelTexts(local(port), kHotel, program.paths, options); });
        std::cout << "[ measured ] " << what << ": fetch " << t.elapsed() << " ms, worst lateness of a 15 ms timer "
                  << worst << " ms" << std::endl;
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error.contains(QLatin1String(reason))) << result.error.toStdString();
        EXPECT_LT(t.elapsed(), 4000);
        EXPECT_LT(worst, 250);
        EXPECT_EQ(program.tree.read("cfg/textes.ini"), kPrevious);
        EXPECT_EQ(program.cfgEntries(), QStringList{"textes.ini"}); // nothing stored beside it
    }

    // Each kind has its own cap: a list may be larger than texts, the URL list may not.
    TestHttpServer server;
    ProgramTree program;
    server.serve("/zeprilia/datas/videos/night.ini", QByteArray(kTextsMaxBytes + 1, 'n'));
    QStringList night;
    EXPECT_TRUE(fetchCategoryList(local(server.port()), "night", night, program.paths, quick()));
    for (const qint64 size : {kUrlListMaxBytes, kUrlListMaxBytes + 1}) {
        server.serve("/zeprilia/url.txt", QByteArray(size, 'u'));
        EXPECT_EQ(fetchUrlList(local(server.port()), program.tree.path("url.dat"), quick()).ok, size == kUrlListMaxBytes);
    }
    EXPECT_EQ(program.tree.read("url.dat").size(), kUrlListMaxBytes);
}
