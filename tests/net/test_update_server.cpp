// What the player fetches from the update server - texts, category lists, the URL
// list - against a real server on 127.0.0.1 that misbehaves on demand.
#include "net/update_server.h"

#include "net_test.h"

#include <tuple>

namespace {

ServerAddress local(int port)
{
    return ServerAddress{QStringLiteral("http"), QStringLiteral("127.0.0.1"), port};
}

// A program directory with its cfg folder, as the installation leaves it.
struct ProgramTree {
    TempTree tree;
    ProgramPaths paths{tree.root()};
    ProgramTree() { tree.mkdir("cfg"); }
};

const QString kHotel = QStringLiteral("Hôtel du Lac");
const QString kTextsPath = QStringLiteral("/zeprilia/datas/textes/Hôtel du Lac_txt.ini");

// The worst delay of a 15 ms timer on this thread while work() runs, and how long work()
// took, in ms; a thread that blocks counts the whole block.
std::pair<qint64, qint64> worstTimerLateness(const std::function<void()>& work)
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
    return {std::max(worst, clock.elapsed() - last - 15), clock.elapsed()};
}

}

// The hotel's texts, with the fallback phrase when there are none, and a category list
// that reloads the category or is reported as not fetched. The names keep their text,
// untrimmed and in their case, and a slash cannot climb out of the folder.
TEST(UpdateServerFetch, TextsAndCategoryListsReachTheProgramDirectory)
{
    const ServerAddress update{QStringLiteral("http"), QStringLiteral("maj.example.test"), -1};
    EXPECT_EQ(urlListUrl(update), "http://maj.example.test/zeprilia/url.txt"); // no port: the scheme's own
    EXPECT_EQ(textsUrl(update, QStringLiteral(" AzUre ")), "http://maj.example.test/zeprilia/datas/textes/%20AzUre%20_txt.ini");
    EXPECT_EQ(textsUrl(update, QStringLiteral("../x")), "http://maj.example.test/zeprilia/datas/textes/..%2Fx_txt.ini");
    TestHttpServer server;
    ProgramTree program;
    server.serve(kTextsPath, "Bienvenue au Lac\r\n\r\nPetit-déjeuner de 7h à 10h\r\n");
    EXPECT_TRUE(fetchHotelTexts(local(server.port()), kHotel, program.paths, kQuick).ok);
    EXPECT_EQ(server.requests().value(0).target, "/zeprilia/datas/textes/H%C3%B4tel%20du%20Lac_txt.ini");
    // A blank line is a phrase, not the absence of one.
    EXPECT_EQ(loadPhraseList(program.paths.textesIni()),
              QStringList({"Bienvenue au Lac", "", QStringLiteral("Petit-déjeuner de 7h à 10h")}));
    EXPECT_EQ(loadPhraseList(program.tree.write("blank.ini", "\r\n")), QStringList{""});
    server.serve(kTextsPath, ""); // an empty file on the server is the hotel's choice of no texts
    EXPECT_TRUE(fetchHotelTexts(local(server.port()), kHotel, program.paths, kQuick).ok);
    EXPECT_TRUE(program.tree.read("cfg/textes.ini").isEmpty());
    EXPECT_EQ(loadPhraseList(program.paths.textesIni()), QStringList{"BIENVENUE - WELCOME"});
    ProgramTree unreached;
    EXPECT_FALSE(fetchHotelTexts(local(unusedLocalPort()), kHotel, unreached.paths, kQuick).ok);
    EXPECT_TRUE(unreached.tree.exists("cfg/textes.ini"));
    EXPECT_EQ(loadPhraseList(unreached.paths.textesIni()), QStringList{"BIENVENUE - WELCOME"});

    program.tree.write("cfg/plages.ini", "stale.avi\r\n");
    server.serve("/zeprilia/datas/videos/plages.ini", "sable.avi\r\nvagues du soir.avi\r\n");
    QStringList plages{"stale.avi"};
    EXPECT_TRUE(fetchCategoryList(local(server.port()), "plages", plages, program.paths, kQuick));
    EXPECT_EQ(plages, QStringList({"sable.avi", "vagues du soir.avi"}));
    EXPECT_EQ(program.tree.read("cfg/plages.ini"), QByteArray("sable.avi\r\nvagues du soir.avi\r\n"));
    // A list it did not get is reported, and its old names are no longer current.
    server.deliver("/zeprilia/datas/videos/plages.ini", QByteArray("a.avi\r\nb.avi\r\nc.avi\r\n"), {.cutAt = 7});
    EXPECT_FALSE(fetchCategoryList(local(server.port()), "plages", plages, program.paths, kQuick));
    EXPECT_TRUE(plages.isEmpty());
    EXPECT_TRUE(program.tree.exists("cfg/plages.ini"));
    EXPECT_TRUE(program.tree.read("cfg/plages.ini").isEmpty());

    // Each kind has its own cap: a list may be larger than texts, the URL list may not.
    server.serve("/zeprilia/datas/videos/night.ini", QByteArray(kTextsMaxBytes + 1, 'n'));
    QStringList night;
    EXPECT_TRUE(fetchCategoryList(local(server.port()), "night", night, program.paths, kQuick));
    for (const qint64 size : {kUrlListMaxBytes, kUrlListMaxBytes + 1}) {
        server.serve("/zeprilia/url.txt", QByteArray(size, 'u'));
        EXPECT_EQ(fetchUrlList(local(server.port()), program.tree.path("url.dat"), kQuick).ok, size == kUrlListMaxBytes);
    }
    EXPECT_EQ(program.tree.read("url.dat").size(), kUrlListMaxBytes);
}

// However the update server misbehaves, the fetch ends within its bounds, the screen's
// timers keep running meanwhile, and the hotel's texts stay as they were.
TEST(fetchHotelTexts, AMisbehavingServerNeitherFreezesTheScreenNorTouchesTheTexts)
{
    TestHttpServer trickle, huge, error;
    SilentServer silent;
    trickle.deliver(kTextsPath, QByteArray(1000, 't'), {.piece = 1, .pauseMs = 300});
    huge.deliver(kTextsPath, QByteArray(kTextsMaxBytes + 1, 'x'), {.chunked = true});
    error.serve(kTextsPath, "<html>Service Unavailable</html>", 503, "text/html");
    const HttpOptions options{.connectTimeoutMs = 1000, .idleTimeoutMs = 700, .deadlineMs = 1500};

    const std::tuple<const char*, int, const char*> rows[] = {
        {"trickle past the deadline", trickle.port(), "within 1500 ms"}, {"silent", silent.port(), "no data"},
        {"huge", huge.port(), "larger than"}, {"error status", error.port(), "503"}};
    for (const auto& [what, port, reason] : rows) {
        SCOPED_TRACE(what);
        ProgramTree program;
        program.tree.write("cfg/textes.ini", kPrevious);
        FetchResult result;
        const auto [worst, took]
            = worstTimerLateness([&] { result = fetchHotelTexts(local(port), kHotel, program.paths, options); });
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error.contains(QLatin1String(reason))) << result.error.toStdString();
        EXPECT_LT(took, 4000);
        EXPECT_LT(worst, 250);
        EXPECT_EQ(program.tree.read("cfg/textes.ini"), kPrevious);
        // Nothing is stored beside it.
        EXPECT_EQ(QDir(program.paths.cfg()).entryList(QDir::Files | QDir::Hidden), QStringList{"textes.ini"});
    }
}

// A login page that answers every address with 200 is neither texts nor a list: the
// texts stay, the category's list is reported as not fetched (so nothing is deleted),
// while an empty list, a UTF-16 one and phrases holding a "<" keep their meaning.
TEST(UpdateServerFetch, AWebPageBehind200IsAFailedFetch)
{
    TestHttpServer server;
    ProgramTree program;
    const QByteArray portal = "<!DOCTYPE html>\n<html><body>Please log in</body></html>\n";
    const QString list = QStringLiteral("/zeprilia/datas/videos/night.ini");
    const std::tuple<const char*, QByteArray, QByteArray, bool> lists[] = {
        {"portal page", portal, "text/html; charset=utf-8", false},
        {"page served as a file", portal, "application/octet-stream", false},
        {"page type with no markup", "a.mp4\r\n", "TEXT/HTML", false},
        {"JSON error", "{\"error\": \"login\"}", "text/plain", false},
        {"empty list", "", "text/plain", true},
        {"UTF-16 list", QByteArray("\xff\xfe" "a\0.\0m\0p\0\x34\0\r\0\n\0", 16), "application/octet-stream", true},
    };
    for (const auto& [what, body, type, isList] : lists) {
        SCOPED_TRACE(what);
        server.serve(list, body, 200, type);
        QStringList names{"old.mp4"};
        EXPECT_EQ(fetchCategoryList(local(server.port()), "night", names, program.paths, kQuick), isList);
        EXPECT_EQ(names.isEmpty(), !isList || body.isEmpty());
    }
    program.tree.write("cfg/textes.ini", kPrevious);
    server.serve(kTextsPath, portal, 200, "text/plain");
    const FetchResult texts = fetchHotelTexts(local(server.port()), kHotel, program.paths, kQuick);
    EXPECT_FALSE(texts.ok);
    EXPECT_TRUE(texts.error.contains("<!DOCTYPE html>")) << texts.error.toStdString();
    EXPECT_EQ(program.tree.read("cfg/textes.ini"), kPrevious);
    server.serve(kTextsPath, "Menu < 20 euros\r\n", 200, "text/plain");
    EXPECT_TRUE(fetchHotelTexts(local(server.port()), kHotel, program.paths, kQuick).ok);
}
