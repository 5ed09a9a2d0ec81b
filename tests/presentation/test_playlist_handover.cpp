#include "presentation/playlist_handover.h"

#include "support/fakes.h"
#include "support/temp_tree.h"

#include "core/file_helpers.h"

#include <gtest/gtest.h>

using zepril::test::FakeMediaPlayer;

namespace {

// A playlist's files in a real directory, checked with the player's own notion of an
// existing file; `present` are written, the other items stay missing.
struct Handover {
    Handover(const QStringList& items, const QStringList& present)
    {
        for (const QString& item : present)
            tree.write(item, "x");
        handed = zepril::handOverPlaylist(
            items, [this](const QString& item) { return tree.path(item); },
            [](const QString& path) { return zepril::FileExists(path); }, player, insertIndex);
    }
    QString insert(int position, const QString& item) const
    {
        return QStringLiteral("insert %1 %2").arg(position).arg(tree.path(item));
    }
    zepril::test::TempTree tree;
    FakeMediaPlayer player;
    int insertIndex = 0;
    int handed = -1;
};

}

TEST(PlaylistHandover, ExistingItemsGoInListOrderThenPlay)
{
    const QStringList list{"index/index_ga.avi", "restaurants/a.mp4", "index/index_ga.avi", "night/clip.avi"};
    const Handover h(list, list);
    EXPECT_EQ(h.handed, 4);
    EXPECT_EQ(h.player.calls, QStringList({"clear", "loop on", h.insert(0, list[0]), h.insert(1, list[1]),
                                           h.insert(2, list[2]), h.insert(3, list[3]), "play"}));
    EXPECT_EQ(h.insertIndex, 4);
}

TEST(PlaylistHandover, FileDeletedAfterCompositionIsLeftOutAndTheRestKeepOrder)
{
    const QStringList list{"plages/one.avi", "plages/two.avi", "plages/three.avi", "boutiques/four.mp4"};
    const Handover h(list, {list[0], list[2], list[3]});
    EXPECT_EQ(h.handed, 3);
    // Positions stay contiguous: the missing item leaves no hole.
    EXPECT_EQ(h.player.calls, QStringList({"clear", "loop on", h.insert(0, list[0]), h.insert(1, list[2]),
                                           h.insert(2, list[3]), "play"}));
    EXPECT_EQ(h.insertIndex, 3);
}

TEST(PlaylistHandover, EmptyListLeavesThePlayerAloneButAllMissingStillClearsLoopsAndPlays)
{
    const Handover empty({}, {});
    EXPECT_EQ(empty.handed, 0);
    EXPECT_TRUE(empty.player.calls.isEmpty());
    const Handover missing({"night/gone.avi", "index/index_hotel.mp4"}, {});
    EXPECT_EQ(missing.handed, 0);
    EXPECT_EQ(missing.player.calls, QStringList({"clear", "loop on", "play"}));
    EXPECT_EQ(missing.insertIndex, 0);
}
