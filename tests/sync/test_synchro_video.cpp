// Category synchronization on real directory trees, downloading from a real server.
#include "app/core/categories.h"
#include "app/core/file_helpers.h"
#include "app/core/list_file.h"
#include "app/core/program_paths.h"
#include "app/core/server_config.h"
#include "net/http_transfer.h"
#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/temp_tree.h"
#include "sync/download_file.h"
#include "sync/synchro_video.h"
#include "test_support_sync.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace zepril;
using zepril::test::FakeProbe;
using zepril::test::RecordingReporter;
using zepril::test::TempTree;
using zepril::test::TestHttpServer;

namespace {

Timings shortTimings()
{
    Timings t;
    t.httpConnectTimeoutMs = 2000;
    t.httpIdleTimeoutMs = 1000;
    return t;
}

class SynchroVideoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::waitUntilServing(server);
        tree.mkdir("cfg");
        tree.mkdir("videos-auto/night");
    }

    QStringList requestedTargets() const
    {
        QStringList targets;
        for (const auto& request : server.requests())
            targets << request.target;
        return targets;
    }
    QStringList journal() const
    {
        QStringList items;
        ReadFileToList(paths.errorIni(), items);
        return items;
    }
    QString local(const QString& category, const QString& name) const
    {
        return joinPath(paths.categoryDir("videos-auto", category), name);
    }

    TempTree tree;
    ProgramPaths paths{tree.root()};
    TestHttpServer server;
    HttpTransfer http{shortTimings()};
    RecordingReporter reporter;
    FakeProbe probe{true};
    QStringList lstSyncSupp2;
    QStringList lstCat;
    QStringList lstSyncSupp;
    DownloadContext download{http, reporter, lstSyncSupp2, paths.errorIni()};
    SyncContext ctx{paths, "videos-auto", parseServerAddress(server.baseUrl(), "http"), probe, reporter, lstCat,
                    lstSyncSupp,
                    [this](const QString& u, const QString& d, const QString& n) { return DownloadFile(download, u, d, n); }};
};

}

TEST_F(SynchroVideoTest, AnEmptyFetchedListDeletesEveryPlainFileAndOnlyThose)
{
    tree.write("videos-auto/night/a.mp4", "a");
    tree.write("videos-auto/night/b.avi", "b");
    tree.write("videos-auto/night/.hidden.mp4", "h");
    tree.write("videos-auto/night/sub/inner.mp4", "i");

    synchroVideo(ctx, "night", {}, true);

    EXPECT_FALSE(tree.exists("videos-auto/night/a.mp4"));
    EXPECT_FALSE(tree.exists("videos-auto/night/b.avi"));
    EXPECT_EQ(tree.read("videos-auto/night/.hidden.mp4"), "h");
    EXPECT_EQ(tree.read("videos-auto/night/sub/inner.mp4"), "i");
    EXPECT_TRUE(requestedTargets().isEmpty());
    EXPECT_EQ(reporter.status(), "Synchronisation catégorie night");
}

TEST_F(SynchroVideoTest, WithoutAFetchedListOrAConnectionNothingIsTouched)
{
    tree.write("videos-auto/night/a.mp4", "a");
    tree.write("videos-auto/night/b.mp4", "b");
    server.serve("/videos/night/new.mp4", "new");

    synchroVideo(ctx, "night", {}, false);
    EXPECT_EQ(reporter.status(), "Synchronisation catégorie night");

    probe.connected = false;
    synchroVideo(ctx, "plages", {"new.mp4"}, true);
    EXPECT_EQ(reporter.status(), "Synchronisation catégorie plages");
    synchroVideo(ctx, "night", {"new.mp4"}, true);
    EXPECT_EQ(reporter.status(), "Synchronisation catégorie night");

    EXPECT_EQ(listOrdinaryFiles(paths.categoryDir("videos-auto", "night")).size(), 2);
    EXPECT_EQ(tree.read("videos-auto/night/a.mp4"), "a");
    EXPECT_EQ(tree.read("videos-auto/night/b.mp4"), "b");
    EXPECT_TRUE(requestedTargets().isEmpty());
    EXPECT_TRUE(lstSyncSupp2.isEmpty());
}

TEST_F(SynchroVideoTest, FollowsTheListLetterCaseRepeatsAndEncodedNamesIncluded)
{
    tree.write("videos-auto/night/Clip.mp4", "old");
    tree.write("videos-auto/night/keep.mp4", "local copy");
    tree.write("videos-auto/night/gone.mp4", "g");
    server.serve("/videos/night/clip.mp4", "fresh clip");
    server.serve("/videos/night/keep.mp4", "server copy");
    server.serve("/videos/night/a b é.mp4", "spaced");

    synchroVideo(ctx, "night", {"clip.mp4", "keep.mp4", "a b é.mp4", "a b é.mp4"}, true);

    const QStringList files = listOrdinaryFiles(paths.categoryDir("videos-auto", "night"));
    EXPECT_EQ(QSet<QString>(files.begin(), files.end()), QSet<QString>({"clip.mp4", "keep.mp4", "a b é.mp4"}));
    EXPECT_EQ(tree.read("videos-auto/night/clip.mp4"), "fresh clip");
    EXPECT_EQ(tree.read("videos-auto/night/keep.mp4"), "local copy") << "a file present on both sides is left alone";
    EXPECT_EQ(tree.read("videos-auto/night/a b é.mp4"), "spaced");
    EXPECT_TRUE(lstSyncSupp.contains("Clip.mp4"));
    EXPECT_TRUE(lstSyncSupp.contains("gone.mp4"));
    EXPECT_EQ(lstSyncSupp.size(), 2);
    // Server order, the repeated name twice, names percent-encoded.
    EXPECT_EQ(requestedTargets(), QStringList({"/videos/night/clip.mp4", "/videos/night/a%20b%20%C3%A9.mp4",
                                               "/videos/night/a%20b%20%C3%A9.mp4"}));
    EXPECT_TRUE(lstSyncSupp2.isEmpty());
}

TEST_F(SynchroVideoTest, AMissingCategoryDirectoryJournalsEveryTransfer)
{
    server.serve("/videos/services/a.mp4", "a");
    server.serve("/videos/services/b.mp4", "b");

    synchroVideo(ctx, "services", {"a.mp4", "b.mp4"}, true);

    const QStringList failed{local("services", "a.mp4"), local("services", "b.mp4")};
    EXPECT_EQ(lstSyncSupp2, failed);
    EXPECT_EQ(journal(), failed);
    EXPECT_FALSE(tree.exists("videos-auto/services"));
}

TEST_F(SynchroVideoTest, NamesThatAreNotPlainFileNamesTouchNothing)
{
    tree.write("videos-auto/x", "outside");
    tree.write("videos-auto/night/x", "inside");
    tree.mkdir("videos-auto/night/a");
    server.serve("/videos/night/ok.mp4", "ok");

    synchroVideo(ctx, "night", {"../x", "a/b", "..", ".", "", "a\\b", QString("c\x01") + "d", "x", "ok.mp4"}, true);

    EXPECT_EQ(tree.read("videos-auto/x"), "outside");
    EXPECT_EQ(tree.read("videos-auto/night/x"), "inside");
    EXPECT_TRUE(listOrdinaryFiles(tree.path("videos-auto/night/a")).isEmpty());
    EXPECT_EQ(tree.read("videos-auto/night/ok.mp4"), "ok");
    EXPECT_EQ(requestedTargets(), QStringList({"/videos/night/ok.mp4"}));
    EXPECT_TRUE(lstSyncSupp2.isEmpty());
    EXPECT_TRUE(journal().isEmpty());
}

// The start-up in automatic mode: the six categories in order, each followed by its
// stage mark; a failed download never reaches a playable list, whichever list holds
// the name.
TEST_F(SynchroVideoTest, SixCategoriesInOrderThenFailedNamesLeaveThePlayableLists)
{
    for (const Category& category : kCategories)
        tree.mkdir(QStringLiteral("videos-auto/") + category.name);
    tree.write("videos-auto/restaurants/bad.mp4", "listed by restaurants, fine there");
    tree.write("videos-auto/restaurants/Bad.mp4", "other case");
    server.serve("/videos/plages/good.mp4", "good");
    server.serve("/videos/plages/bad.mp4", "nope", 404, "text/plain");

    std::array<QStringList, 6> lists;
    lists[0] = {"bad.mp4", "Bad.mp4"};
    lists[1] = {"good.mp4", "bad.mp4"};
    synchronizeCategories(ctx, lists, {true, true, true, true, true, true});

    QStringList marks;
    for (const QString& event : std::as_const(reporter.events)) {
        if (event.startsWith("stage") || event.startsWith("status Synchronisation"))
            marks << event;
    }
    EXPECT_EQ(marks, QStringList({"status Synchronisation catégorie restaurants", "stage 0",
                                  "status Synchronisation catégorie plages", "stage 1",
                                  "status Synchronisation catégorie night", "stage 2",
                                  "status Synchronisation catégorie boutiques", "stage 3",
                                  "status Synchronisation catégorie services", "stage 4",
                                  "status Synchronisation catégorie documentaires", "stage 5"}));
    EXPECT_EQ(lstSyncSupp2, QStringList{local("plages", "bad.mp4")});

    std::array<QStringList, 6> playable;
    for (size_t k = 0; k < kCategories.size(); ++k)
        playable[k] = listOrdinaryFiles(paths.categoryDir("videos-auto", kCategories[k].name));
    removeFailedFromPlayable(lstSyncSupp2, playable);
    EXPECT_EQ(playable[0], QStringList{"Bad.mp4"}) << "the comparison is exact and case-sensitive";
    EXPECT_EQ(playable[1], QStringList{"good.mp4"});
}
