#include "presentation/mpv_player.h"

#include "presentation/playlist_handover.h"
#include "support/temp_tree.h"

#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

using namespace zepril;

namespace {
struct Recorder {
    explicit Recorder(MpvPlayer& player)
    {
        QObject::connect(&player, &MpvPlayer::fileStarted, [this](const QString& p) { started << p; });
        QObject::connect(&player, &MpvPlayer::playbackFailed, [this](const QString& p) { failed << p; });
        QObject::connect(&player, &MpvPlayer::allItemsFailed, [this] { ++allFailed; });
    }
    QStringList started, failed;
    int allFailed = 0;
};

class MpvPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_tree = new test::TempTree;
        s_ready = test::makeVideo(s_tree->path("restaurants/one.mp4")) && test::makeVideo(s_tree->path("night/2.avi"));
        s_tree->write("plages/broken.avi", QByteArray(4096, 'z')); // no demuxer knows it; the playlist takes it
    }
    static void TearDownTestSuite() { delete s_tree; }
    void SetUp() override { ASSERT_TRUE(s_ready) << "ffmpeg could not make the sample videos"; }
    int handOver(MpvPlayer& player, const QStringList& items)
    {
        int insertIndex = 0;
        const auto path = [](const QString& item) { return s_tree->path(item); };
        return handOverPlaylist(items, path, [](const QString& p) { return QFile::exists(p); }, player, insertIndex);
    }
    static inline test::TempTree* s_tree = nullptr;
    static inline bool s_ready = false;
};
}

TEST_F(MpvPlayerTest, InsertsWhereAskedAndLoopsBackToTheFirstItemSkippingABrokenOne)
{
    MpvPlayer player(nullptr, {.nullOutputs = true, .retryAfterAllFailedMs = 50});
    Recorder seen(player);
    // mpv itself only appends; an insert in the middle, at the head or far beyond the end must still land there.
    const std::pair<int, const char*> inserts[] = {{0, "/v/b.avi"}, {0, "/v/a.avi"}, {2, "/v/d.avi"}, {2, "/v/c.avi"},
                                                   {9, "/v/e.avi"}};
    for (const auto& [position, path] : inserts)
        player.insertItem(position, path);
    EXPECT_EQ(player.playlistEntries(), QStringList({"/v/a.avi", "/v/b.avi", "/v/c.avi", "/v/d.avi", "/v/e.avi"}));
    EXPECT_TRUE(player.isIdle()) << "appending must not start playback before play()";
    EXPECT_EQ(handOver(player, {}), 0); // an empty playlist is not handed over
    EXPECT_EQ(player.playlistEntries().size(), 5);

    // An item deleted after the playlist was composed is left out of the hand-over.
    const QStringList items{"restaurants/one.mp4", "night/deleted.avi", "plages/broken.avi", "night/2.avi"};
    const QStringList paths{s_tree->path(items[0]), s_tree->path(items[2]), s_tree->path(items[3])};
    ASSERT_EQ(handOver(player, items), 3);
    EXPECT_EQ(player.playlistEntries(), paths);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.started.size() >= 4; }, 8000)) << qPrintable(seen.started.join(','));
    EXPECT_EQ(seen.started.mid(0, 4), QStringList({paths[0], paths[1], paths[2], paths[0]}));
    EXPECT_EQ(seen.failed, QStringList({paths[1]}));
    EXPECT_EQ(seen.allFailed, 0) << "the retry interval is short: a wrongly armed retry would have shown";
    EXPECT_EQ(player.currentPosition(), 0);
    player.pause();
    EXPECT_TRUE(player.isPaused());
    player.play();
    EXPECT_FALSE(player.isPaused());
    player.clearPlaylist(); // while a file plays: nothing may stay behind, the playing entry included
    EXPECT_TRUE(player.playlistEntries().isEmpty());
}

TEST_F(MpvPlayerTest, PlaylistWhoseEveryItemFailsIsTriedAgain)
{
    // One corrupt file and one that disappears after the hand-over: both fail to load.
    const QString broken = s_tree->path("plages/broken.avi");
    const QString gone = s_tree->write("night/gone.avi", "x");
    MpvPlayer player(nullptr, {.nullOutputs = true, .retryAfterAllFailedMs = 200});
    Recorder seen(player);
    player.clearPlaylist();
    player.setLoop(true);
    player.insertItem(0, broken);
    player.insertItem(1, gone);
    ASSERT_TRUE(QFile::remove(gone));
    player.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.allFailed >= 1; }, 5000));
    EXPECT_EQ(seen.failed, QStringList({broken, gone}));
    EXPECT_TRUE(player.isIdle());
    // The same playlist, from its first item, after the interval; and again after it fails again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.started.size() >= 3; }, 5000));
    EXPECT_EQ(seen.started.at(2), broken);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.allFailed >= 2; }, 5000));
    EXPECT_EQ(player.playlistEntries(), QStringList({broken, gone}));
    // A paused player is not restarted behind the operator's back.
    player.pause();
    const qsizetype startsBefore = seen.started.size();
    EXPECT_FALSE(QTest::qWaitFor([&] { return seen.started.size() > startsBefore; }, 600));
}
