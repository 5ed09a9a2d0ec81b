// Category synchronization on real directory trees, downloading from a real server.
#include "core/categories.h"
#include "test_support_sync.h"

#include <QSet>

using namespace zepril;
using zepril::test::clip;

namespace {
class SyncCategoryTest : public test::SyncTest {};
}

TEST_F(SyncCategoryTest, AnEmptyListDeletesEveryPlainFileOnlyWhenFetchedWithAConnection)
{
    tree.write("videos-auto/night/a.mp4", "a");
    tree.write("videos-auto/night/b.avi", "b");
    tree.write("videos-auto/night/.hidden.mp4", "h");
    tree.write("videos-auto/night/sub/inner.mp4", "i");
    server.serve("/videos/night/new.mp4", clip("new"));

    EXPECT_FALSE(syncCategory(syncCtx, "night", {}, false).listed); // the list failed to fetch
    probe.connected = false;
    EXPECT_FALSE(syncCategory(syncCtx, "night", {"new.mp4"}, true).listed);
    EXPECT_FALSE(syncCategory(syncCtx, "night", {}, true).listed);
    EXPECT_EQ(reporter.status(), "Synchronisation catégorie night");
    EXPECT_EQ(tree.read("videos-auto/night/a.mp4"), "a");
    EXPECT_EQ(tree.read("videos-auto/night/b.avi"), "b");

    probe.connected = true;
    const CategorySync done = syncCategory(syncCtx, "night", {}, true);
    EXPECT_EQ(QSet<QString>(done.deleted.begin(), done.deleted.end()), QSet<QString>({"a.mp4", "b.avi"}));
    EXPECT_TRUE(done.listing.isEmpty());
    EXPECT_EQ(tree.read("videos-auto/night/.hidden.mp4"), "h");
    EXPECT_EQ(tree.read("videos-auto/night/sub/inner.mp4"), "i");
    EXPECT_TRUE(requestedTargets().isEmpty());
    EXPECT_TRUE(journal().isEmpty());
}

// A failed download is journaled and leaves every playable list that holds its name; a
// category whose directory is missing journals each transfer.
TEST_F(SyncCategoryTest, FollowsTheListAndKeepsFailedNamesOutOfThePlayableLists)
{
    tree.write("videos-auto/night/Clip.mp4", "old");
    tree.write("videos-auto/night/keep.mp4", "local copy");
    tree.write("videos-auto/night/gone.mp4", "g");
    tree.write("videos-auto/restaurants/bad.mp4", "listed by restaurants, fine there");
    tree.write("videos-auto/restaurants/Bad.mp4", "other case");
    server.serve("/videos/night/clip.mp4", clip("fresh clip"));
    server.serve("/videos/night/keep.mp4", clip("server copy"));
    server.serve("/videos/night/a b é.mp4", clip("spaced"));
    server.serve("/videos/night/bad.mp4", "nope", 404, "text/plain");

    CategorySync done = syncCategory(syncCtx, "night", {"clip.mp4", "keep.mp4", "bad.mp4", "a b é.mp4", "a b é.mp4"}, true);
    const CategorySync services = syncCategory(syncCtx, "services", {"a.mp4"}, true);

    EXPECT_EQ(tree.read("videos-auto/night/clip.mp4"), clip("fresh clip"));
    EXPECT_EQ(tree.read("videos-auto/night/keep.mp4"), "local copy") << "a file present on both sides is left alone";
    EXPECT_EQ(tree.read("videos-auto/night/a b é.mp4"), clip("spaced"));
    done.deleted.sort();
    EXPECT_EQ(done.deleted, QStringList({"Clip.mp4", "gone.mp4"}));
    EXPECT_EQ(done.downloaded, QStringList({"clip.mp4", "a b é.mp4", "a b é.mp4"}));
    EXPECT_EQ(done.failed, QStringList{"bad.mp4"});
    EXPECT_EQ(services.failed, QStringList{"a.mp4"});
    // Server order, the repeated name twice, names percent-encoded.
    EXPECT_EQ(requestedTargets(), QStringList({"/videos/night/clip.mp4", "/videos/night/bad.mp4",
                                               "/videos/night/a%20b%20%C3%A9.mp4", "/videos/night/a%20b%20%C3%A9.mp4",
                                               "/videos/services/a.mp4"}));
    const QStringList failedPaths{dest("bad.mp4"), dest("a.mp4", "services")};
    EXPECT_EQ(failed.paths(), failedPaths);
    EXPECT_EQ(journal(), failedPaths);

    std::array<QStringList, 6> playable;
    for (size_t k = 0; k < kCategories.size(); ++k)
        playable[k] = listOrdinaryFiles(paths.categoryDir("videos-auto", kCategories[k].name));
    failed.removeFromPlayable(playable);
    EXPECT_EQ(playable[0], QStringList{"Bad.mp4"}) << "the comparison is exact and case-sensitive";
    EXPECT_EQ(QSet<QString>(playable[2].begin(), playable[2].end()), QSet<QString>({"clip.mp4", "keep.mp4", "a b é.mp4"}));
}

// Names that are not plain file names reach nothing on disk, and take nothing away
// from the other names: every listed file stays, including those a misread line holds.
TEST_F(SyncCategoryTest, RejectedNamesTouchNothingAndProtectEveryOtherListedName)
{
    tree.write("videos-auto/x", "outside");
    tree.write("videos-auto/night/x", "inside");
    for (const char* name : {"keep1.mp4", "keep2.mp4", "keep3.mp4", "stale.mp4"})
        tree.write(QStringLiteral("videos-auto/night/") + name, name);
    tree.mkdir("videos-auto/night/a");
    server.serve("/videos/night/ok.mp4", clip("ok"));

    CategorySync done = syncCategory(
        syncCtx, "night",
        {"../x", "keep1.mp4", "a/b", "..", ".", "", "a\\b", QString("c\x01") + "d", "keep2.mp4\nkeep3.mp4\n", "ok.mp4"},
        true);

    EXPECT_EQ(done.rejected.size(), 8);
    done.deleted.sort();
    EXPECT_EQ(done.deleted, QStringList({"stale.mp4", "x"})) << "a rejected name protects no file of its own";
    EXPECT_EQ(tree.read("videos-auto/x"), "outside");
    for (const char* name : {"keep1.mp4", "keep2.mp4", "keep3.mp4"})
        EXPECT_EQ(tree.read(QStringLiteral("videos-auto/night/") + name), name);
    EXPECT_TRUE(listOrdinaryFiles(tree.path("videos-auto/night/a")).isEmpty());
    EXPECT_EQ(requestedTargets(), QStringList({"/videos/night/ok.mp4"}));
    EXPECT_TRUE(journal().isEmpty());
}
