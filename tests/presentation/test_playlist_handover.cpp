#include "presentation/playlist_handover.h"

#include "support/fakes.h"
#include "support/temp_tree.h"

#include "app/core/file_helpers.h"

#include <QFile>

#include <gtest/gtest.h>

using zepril::handOverPlaylist;
using zepril::test::FakeMediaPlayer;
using zepril::test::TempTree;

namespace {

// The files of a playlist laid out in a real directory, checked with the player's own
// notion of an existing file.
struct VideoTree {
    TempTree tree;
    std::function<QString(const QString&)> fullPathOf = [this](const QString& item) { return tree.path(item); };
    std::function<bool(const QString&)> fileExists = [](const QString& path) { return zepril::FileExists(path); };
};

}

TEST(PlaylistHandover, EmptyListLeavesThePlayerUntouched)
{
    VideoTree v;
    FakeMediaPlayer player;
    int insertIndex = 0;
    EXPECT_EQ(handOverPlaylist({}, v.fullPathOf, v.fileExists, player, insertIndex), 0);
    EXPECT_TRUE(player.calls.isEmpty());
    EXPECT_FALSE(player.playing);
    EXPECT_EQ(insertIndex, 0);
}

TEST(PlaylistHandover, ExistingItemsGoInListOrderThenPlay)
{
    VideoTree v;
    const QStringList list{"index/index_ga.avi", "restaurants/a.mp4", "index/index_ga.avi", "night/clip.avi"};
    for (const QString& item : list)
        v.tree.write(item, "x");
    FakeMediaPlayer player;
    int insertIndex = 0;
    EXPECT_EQ(handOverPlaylist(list, v.fullPathOf, v.fileExists, player, insertIndex), 4);
    EXPECT_EQ(player.calls, QStringList({"clear", "loop on", "insert 0 " + v.tree.path(list[0]),
                                         "insert 1 " + v.tree.path(list[1]), "insert 2 " + v.tree.path(list[2]),
                                         "insert 3 " + v.tree.path(list[3]), "play"}));
    EXPECT_EQ(insertIndex, 4);
}

TEST(PlaylistHandover, FileDeletedAfterCompositionIsLeftOutAndTheRestKeepOrder)
{
    VideoTree v;
    const QStringList list{"plages/one.avi", "plages/two.avi", "plages/three.avi", "boutiques/four.mp4"};
    for (const QString& item : list)
        v.tree.write(item, "x");
    ASSERT_TRUE(QFile::remove(v.tree.path("plages/two.avi")));

    FakeMediaPlayer player;
    int insertIndex = 0;
    EXPECT_EQ(handOverPlaylist(list, v.fullPathOf, v.fileExists, player, insertIndex), 3);
    EXPECT_EQ(player.items, QStringList({v.tree.path("plages/one.avi"), v.tree.path("plages/three.avi"),
                                         v.tree.path("boutiques/four.mp4")}));
    // Positions stay contiguous: the skipped item leaves no hole.
    EXPECT_TRUE(player.calls.contains("insert 1 " + v.tree.path("plages/three.avi")));
    EXPECT_EQ(insertIndex, 3);
    EXPECT_EQ(player.calls.last(), "play");
}

TEST(PlaylistHandover, AllFilesMissingStillClearsLoopsAndPlays)
{
    VideoTree v;
    FakeMediaPlayer player;
    player.items << "left over from before";
    int insertIndex = 0;
    EXPECT_EQ(handOverPlaylist({"night/gone.avi", "index/index_hotel.mp4"}, v.fullPathOf, v.fileExists, player,
                               insertIndex),
              0);
    EXPECT_EQ(player.calls, QStringList({"clear", "loop on", "play"}));
    EXPECT_TRUE(player.items.isEmpty());
    EXPECT_EQ(insertIndex, 0);
}
