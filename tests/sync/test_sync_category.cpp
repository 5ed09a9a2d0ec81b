// Category synchronization on real directory trees, downloading from a real server.
#include "core/categories.h"
#include "test_support_sync.h"

#include <QDir>
#include <QSet>

using SyncCategoryTest = SyncTest;

// Without a list or a connection nothing is touched. Then the category follows its list:
// a failed download is journaled and leaves every playable list that holds its name, and a
// category whose directory is missing journals each transfer. Names that are not plain
// file names reach nothing on disk and take nothing away from the other names: every
// listed file stays, including those a misread line holds. An empty list fetched with a
// connection deletes every plain file.
TEST_F(SyncCategoryTest, FollowsTheListOnlyWhenFetchedWithAConnectionAndRejectsPaths)
{
    for (const char* name : {"Clip.mp4", "keep.mp4", "gone.mp4", "keep1.mp4", "keep2.mp4", "keep3.mp4", "x"})
        tree.write(QStringLiteral("videos-auto/night/") + name, name);
    tree.write("videos-auto/x", "outside");
    tree.mkdir("videos-auto/night/a");
    tree.write("videos-auto/restaurants/bad.mp4", "listed by restaurants, fine there");
    tree.write("videos-auto/restaurants/Bad.mp4", "other case");
    for (const char* name : {"clip.mp4", "keep.mp4", "a b é.mp4"})
        server.serve(QStringLiteral("/videos/night/") + name, clip(name));
    server.serve("/videos/night/bad.mp4", "nope", 404, "text/plain");
    tree.write("videos-auto/night/.hidden.mp4", "h");
    tree.write("videos-auto/night/sub/inner.mp4", "i");

    EXPECT_FALSE(syncCategory(syncCtx, "night", {}, false).listed); // the list failed to fetch
    probe.connected = false;
    EXPECT_FALSE(syncCategory(syncCtx, "night", {"clip.mp4"}, true).listed);
    EXPECT_FALSE(syncCategory(syncCtx, "night", {}, true).listed);
    EXPECT_EQ(reporter.status(), "Synchronisation catégorie night");
    EXPECT_EQ(tree.read("videos-auto/night/gone.mp4"), "gone.mp4");
    EXPECT_TRUE(server.requests().isEmpty() && journal().isEmpty());
    probe.connected = true;

    const QStringList list{"clip.mp4", "../x", "keep.mp4", "keep1.mp4", "a/b", "..", "bad.mp4", ".", "", "a\\b",
                           QString("c\x01") + "d", "keep2.mp4\nkeep3.mp4\n", "a b é.mp4", "a b é.mp4"};
    CategorySync done = syncCategory(syncCtx, "night", list, true);
    const CategorySync services = syncCategory(syncCtx, "services", {"a.mp4"}, true);
    EXPECT_EQ(tree.read("videos-auto/night/clip.mp4"), clip("clip.mp4"));
    EXPECT_EQ(tree.read("videos-auto/night/a b é.mp4"), clip("a b é.mp4"));
    // A file present on both sides is left alone.
    for (const char* name : {"keep.mp4", "keep1.mp4", "keep2.mp4", "keep3.mp4"})
        EXPECT_EQ(tree.read(QStringLiteral("videos-auto/night/") + name), name);
    EXPECT_EQ(tree.read("videos-auto/x"), "outside");
    EXPECT_TRUE(listOrdinaryFiles(tree.path("videos-auto/night/a")).isEmpty());
    EXPECT_EQ(done.rejected.size(), 8);
    done.deleted.sort();
    // A rejected name protects no file of its own.
    EXPECT_EQ(done.deleted, QStringList({"Clip.mp4", "gone.mp4", "x"}));
    EXPECT_EQ(done.downloaded, QStringList({"clip.mp4", "a b é.mp4", "a b é.mp4"}));
    EXPECT_EQ(done.failed, QStringList{"bad.mp4"});
    EXPECT_EQ(services.failed, QStringList{"a.mp4"});
    // Server order, the repeated name twice, names percent-encoded.
    QStringList targets;
    for (const auto& request : server.requests())
        if (request.method == "GET")
            targets << request.target;
    EXPECT_EQ(targets, QStringList({"/videos/night/clip.mp4", "/videos/night/bad.mp4",
                                               "/videos/night/a%20b%20%C3%A9.mp4", "/videos/night/a%20b%20%C3%A9.mp4",
                                               "/videos/services/a.mp4"}));
    const QStringList failedPaths{dest("bad.mp4"), dest("a.mp4", "services")};
    EXPECT_EQ(failed.failedDownloads(), failedPaths);
    EXPECT_TRUE(journal().isEmpty());

    // A video the player could not open leaves this run's playlists, compared exactly.
    std::array<QStringList, 6> playable;
    for (size_t k = 0; k < kCategories.size(); ++k)
        playable[k] = listOrdinaryFiles(paths.categoryDir("videos-auto", kCategories[k].name));
    failed.recordPlaybackFailure(tree.path("videos-auto/restaurants/bad.mp4"));
    failed.removeFromPlayable(playable);
    EXPECT_EQ(playable[0], QStringList{"Bad.mp4"}) << "the comparison is exact and case-sensitive";
    EXPECT_EQ(QSet<QString>(playable[2].begin(), playable[2].end()),
              QSet<QString>({"clip.mp4", "keep.mp4", "keep1.mp4", "keep2.mp4", "keep3.mp4", "a b é.mp4"}));

    done = syncCategory(syncCtx, "night", {}, true);
    EXPECT_EQ(done.deleted.size(), 6);
    EXPECT_TRUE(done.listing.isEmpty());
    EXPECT_TRUE(listOrdinaryFiles(paths.categoryDir("videos-auto", "night")).isEmpty());
    EXPECT_EQ(tree.read("videos-auto/night/.hidden.mp4"), "h");
    EXPECT_EQ(tree.read("videos-auto/night/sub/inner.mp4"), "i");
}

// A listed video replaced on the server under the same name (same size, another ETag) is
// fetched beside the old copy, which keeps its name and its bytes while the new one
// arrives, then takes its place in one rename (a reader of the old copy reads it to the
// end). A server that sends no validator leaves the local copy alone.
TEST_F(SyncCategoryTest, AVideoChangedOnTheServerIsSwappedInOneRename)
{
    server.serveFile("/videos/night/menu.mp4", clip("menu v1"), {"\"1\""});
    server.serve("/videos/night/plain.mp4", clip("plain"));
    EXPECT_EQ(syncCategory(syncCtx, "night", {"menu.mp4", "plain.mp4"}, true).downloaded.size(), 2);
    tree.write("videos-auto/night/plain.mp4", clip("a local copy of another size"));
    EXPECT_TRUE(syncCategory(syncCtx, "night", {"menu.mp4", "plain.mp4"}, true).downloaded.isEmpty());
    EXPECT_EQ(server.requests().last().method, "HEAD");

    QFile playing(dest("menu.mp4"));
    ASSERT_TRUE(playing.open(QIODevice::ReadOnly));
    QByteArray seenMeanwhile;
    server.serveFile("/videos/night/menu.mp4", clip("menu v2"), {"\"2\""},
                     {.piece = 8, .beforePiece = [&](size_t offset) {
                          if (offset > 0 && seenMeanwhile.isEmpty())
                              seenMeanwhile = tree.read("videos-auto/night/menu.mp4");
                          return true;
                      }});
    // The partial file of a video the list dropped goes with it.
    const QString gone = tree.write("videos-auto/night/.gone.mp4.part", clip("half"));
    failed.begin(gone, {url("gone.mp4"), 100, "\"g\"", {}});
    const CategorySync done = syncCategory(syncCtx, "night", {"menu.mp4", "plain.mp4"}, true);
    EXPECT_EQ(done.replaced, QStringList{"menu.mp4"});
    EXPECT_EQ(seenMeanwhile, clip("menu v1"));
    EXPECT_EQ(playing.readAll(), clip("menu v1"));
    EXPECT_EQ(tree.read("videos-auto/night/menu.mp4"), clip("menu v2"));
    EXPECT_EQ(tree.read("videos-auto/night/plain.mp4"), clip("a local copy of another size"));
    EXPECT_EQ(QDir(paths.categoryDir("videos-auto", "night")).entryList(QDir::Files | QDir::Hidden),
              QStringList({"menu.mp4", "plain.mp4"}));
}
