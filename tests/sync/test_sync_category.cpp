// Category synchronization on real directory trees, downloading from a real server.
#include "core/categories.h"
#include "sync/sync_plan.h"
#include "test_support_sync.h"

#include <QSet>

using namespace zepril;

namespace {
class SynchroVideoTest : public test::SyncTest {};
}

TEST(SyncPlan, OnlyPlainFileNamesAreSafe)
{
    for (const QString name :
         {"", ".", "..", "../x", "a/b", "a\\b", "/etc/passwd", "bad\nname", "tab\tname", "\x7f" "del"})
        EXPECT_FALSE(isSafeVideoName(name)) << name.toStdString();
    for (const QString name : {"clip.mp4", "..hidden-looking", "a b é.mp4", "...", "x..y"})
        EXPECT_TRUE(isSafeVideoName(name)) << name.toStdString();
}

TEST_F(SynchroVideoTest, AnEmptyListDeletesEveryPlainFileOnlyWhenFetchedWithAConnection)
{
    tree.write("videos-auto/night/a.mp4", "a");
    tree.write("videos-auto/night/b.avi", "b");
    tree.write("videos-auto/night/.hidden.mp4", "h");
    tree.write("videos-auto/night/sub/inner.mp4", "i");
    server.serve("/videos/night/new.mp4", "new");

    syncCategory(syncCtx, "night", {}, false); // the list failed to fetch
    EXPECT_EQ(reporter.status(), "Synchronisation catégorie night");
    probe.connected = false;
    syncCategory(syncCtx, "plages", {"new.mp4"}, true);
    EXPECT_EQ(reporter.status(), "Synchronisation catégorie plages");
    syncCategory(syncCtx, "night", {}, true);
    EXPECT_EQ(reporter.status(), "Synchronisation catégorie night");
    EXPECT_EQ(tree.read("videos-auto/night/a.mp4"), "a");
    EXPECT_EQ(tree.read("videos-auto/night/b.avi"), "b");

    probe.connected = true;
    syncCategory(syncCtx, "night", {}, true);
    EXPECT_FALSE(tree.exists("videos-auto/night/a.mp4"));
    EXPECT_FALSE(tree.exists("videos-auto/night/b.avi"));
    EXPECT_EQ(tree.read("videos-auto/night/.hidden.mp4"), "h");
    EXPECT_EQ(tree.read("videos-auto/night/sub/inner.mp4"), "i");
    EXPECT_TRUE(requestedTargets().isEmpty());
    EXPECT_TRUE(failedDownloads.isEmpty());
}

TEST_F(SynchroVideoTest, FollowsTheListLetterCaseRepeatsAndEncodedNamesIncluded)
{
    tree.write("videos-auto/night/Clip.mp4", "old");
    tree.write("videos-auto/night/keep.mp4", "local copy");
    tree.write("videos-auto/night/gone.mp4", "g");
    server.serve("/videos/night/clip.mp4", "fresh clip");
    server.serve("/videos/night/keep.mp4", "server copy");
    server.serve("/videos/night/a b é.mp4", "spaced");

    syncCategory(syncCtx, "night", {"clip.mp4", "keep.mp4", "a b é.mp4", "a b é.mp4"}, true);

    const QStringList files = listOrdinaryFiles(paths.categoryDir("videos-auto", "night"));
    EXPECT_EQ(QSet<QString>(files.begin(), files.end()), QSet<QString>({"clip.mp4", "keep.mp4", "a b é.mp4"}));
    EXPECT_EQ(tree.read("videos-auto/night/clip.mp4"), "fresh clip");
    EXPECT_EQ(tree.read("videos-auto/night/keep.mp4"), "local copy") << "a file present on both sides is left alone";
    EXPECT_EQ(tree.read("videos-auto/night/a b é.mp4"), "spaced");
    lstSyncSupp.sort();
    EXPECT_EQ(lstSyncSupp, QStringList({"Clip.mp4", "gone.mp4"}));
    // Server order, the repeated name twice, names percent-encoded.
    EXPECT_EQ(requestedTargets(), QStringList({"/videos/night/clip.mp4", "/videos/night/a%20b%20%C3%A9.mp4",
                                               "/videos/night/a%20b%20%C3%A9.mp4"}));
    EXPECT_TRUE(failedDownloads.isEmpty());
}

TEST_F(SynchroVideoTest, NamesThatAreNotPlainFileNamesTouchNothing)
{
    tree.write("videos-auto/x", "outside");
    tree.write("videos-auto/night/x", "inside");
    tree.mkdir("videos-auto/night/a");
    server.serve("/videos/night/ok.mp4", "ok");

    syncCategory(syncCtx, "night", {"../x", "a/b", "..", ".", "", "a\\b", QString("c\x01") + "d", "ok.mp4"}, true);

    EXPECT_EQ(tree.read("videos-auto/x"), "outside");
    EXPECT_FALSE(tree.exists("videos-auto/night/x")) << "a rejected name protects no local file";
    EXPECT_TRUE(listOrdinaryFiles(tree.path("videos-auto/night/a")).isEmpty());
    EXPECT_EQ(tree.read("videos-auto/night/ok.mp4"), "ok");
    EXPECT_EQ(requestedTargets(), QStringList({"/videos/night/ok.mp4"}));
    EXPECT_TRUE(failedDownloads.isEmpty());
    EXPECT_TRUE(journal().isEmpty());
}

// A failed download never reaches a playable list, whichever list holds the name; a
// category whose directory is missing journals every transfer.
TEST_F(SynchroVideoTest, SixCategoriesInOrderThenFailedNamesLeaveThePlayableLists)
{
    for (const Category& category : kCategories)
        if (QLatin1String(category.name) != "services")
            tree.mkdir(QStringLiteral("videos-auto/") + category.name);
    tree.write("videos-auto/restaurants/bad.mp4", "listed by restaurants, fine there");
    tree.write("videos-auto/restaurants/Bad.mp4", "other case");
    server.serve("/videos/plages/good.mp4", "good");
    server.serve("/videos/plages/bad.mp4", "nope", 404, "text/plain");
    server.serve("/videos/services/a.mp4", "a");
    server.serve("/videos/services/b.mp4", "b");

    std::array<QStringList, 6> lists;
    lists[0] = {"bad.mp4", "Bad.mp4"};
    lists[1] = {"good.mp4", "bad.mp4"};
    lists[4] = {"a.mp4", "b.mp4"};
    synchronizeCategories(syncCtx, lists, {true, true, true, true, true, true});

    QStringList marks;
    for (const QString& event : std::as_const(reporter.events))
        if (event.startsWith("stage") || event.startsWith("Synchronisation"))
            marks << event;
    EXPECT_EQ(marks, QStringList({"Synchronisation catégorie restaurants", "stage 0",
                                  "Synchronisation catégorie plages", "stage 1",
                                  "Synchronisation catégorie night", "stage 2",
                                  "Synchronisation catégorie boutiques", "stage 3",
                                  "Synchronisation catégorie services", "stage 4",
                                  "Synchronisation catégorie documentaires", "stage 5"}));
    const QStringList failed{dest("bad.mp4", "plages"), dest("a.mp4", "services"), dest("b.mp4", "services")};
    EXPECT_EQ(failedDownloads, failed);
    EXPECT_EQ(journal(), failed);
    EXPECT_FALSE(tree.exists("videos-auto/services"));

    std::array<QStringList, 6> playable;
    for (size_t k = 0; k < kCategories.size(); ++k)
        playable[k] = listOrdinaryFiles(paths.categoryDir("videos-auto", kCategories[k].name));
    removeFailedFromPlayable(failedDownloads, playable);
    EXPECT_EQ(playable[0], QStringList{"Bad.mp4"}) << "the comparison is exact and case-sensitive";
    EXPECT_EQ(playable[1], QStringList{"good.mp4"});
}
