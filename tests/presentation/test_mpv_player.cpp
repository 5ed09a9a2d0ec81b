#include "presentation/mpv_player.h"

#include "presentation/playlist_handover.h"
#include "support/temp_tree.h"

#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <memory>

using zepril::MpvPlayer;
using zepril::MpvPlayerOptions;
using zepril::test::TempTree;

namespace {

MpvPlayerOptions headless(int retryMs)
{
    MpvPlayerOptions o;
    o.nullOutputs = true;
    o.retryAfterAllFailedMs = retryMs;
    return o;
}

// What the player told, signal by signal, in order.
struct Recorder {
    explicit Recorder(MpvPlayer& player)
    {
        QObject::connect(&player, &MpvPlayer::fileStarted, [this](const QString& p) { started << p; });
        QObject::connect(&player, &MpvPlayer::playbackFailed, [this](const QString& p, const QString& error) {
            failed << p;
            errors << error;
        });
        QObject::connect(&player, &MpvPlayer::allItemsFailed, [this] { ++allFailed; });
    }
    QStringList started, failed, errors;
    int allFailed = 0;
};

int handOver(MpvPlayer& player, const TempTree& tree, const QStringList& items)
{
    int insertIndex = 0;
    return zepril::handOverPlaylist(
        items, [&](const QString& item) { return tree.path(item); },
        [](const QString& path) { return QFile::exists(path); }, player, insertIndex);
}

class MpvPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_tree = std::make_unique<TempTree>();
        s_ready = zepril::test::makeVideo(s_tree->path("restaurants/one.mp4"), 1.0)
            && zepril::test::makeVideo(s_tree->path("night/two.avi"), 1.0);
        // Bytes that no demuxer recognises, under a name the playlist would accept.
        s_tree->write("plages/broken.avi", QByteArray(4096, 'z'));
    }
    static void TearDownTestSuite() { s_tree.reset(); }

    void SetUp() override { ASSERT_TRUE(s_ready) << "ffmpeg could not make the sample videos"; }

    static std::unique_ptr<TempTree> s_tree;
    static bool s_ready;
};

std::unique_ptr<TempTree> MpvPlayerTest::s_tree;
bool MpvPlayerTest::s_ready = false;

}

TEST_F(MpvPlayerTest, InsertItemPutsEachEntryAtItsPosition)
{
    MpvPlayer player(nullptr, headless(60000));
    // mpv itself only appends; an insert in the middle or at the head must still land there.
    player.insertItem(0, "/v/b.avi");
    player.insertItem(0, "/v/a.avi");
    player.insertItem(2, "/v/d.avi");
    player.insertItem(2, "/v/c.avi");
    player.insertItem(9, "/v/e.avi");
    EXPECT_EQ(player.playlistEntries(), QStringList({"/v/a.avi", "/v/b.avi", "/v/c.avi", "/v/d.avi", "/v/e.avi"}));
    EXPECT_TRUE(player.isIdle()) << "appending must not start playback before play()";
    // An empty playlist is not handed over: the player keeps what it had and stays idle.
    EXPECT_EQ(handOver(player, *s_tree, {}), 0);
    EXPECT_EQ(player.playlistEntries().size(), 5);
    EXPECT_TRUE(player.isIdle());

    player.clearPlaylist();
    EXPECT_TRUE(player.playlistEntries().isEmpty());
}

TEST_F(MpvPlayerTest, LoopsBackToTheFirstItemSkippingABrokenOne)
{
    MpvPlayer player(nullptr, headless(50));
    Recorder seen(player);
    // An item deleted after the playlist was composed is left out of the hand-over.
    const QStringList items{"restaurants/one.mp4", "night/deleted.avi", "plages/broken.avi", "night/two.avi"};
    const QStringList paths{s_tree->path(items[0]), s_tree->path(items[2]), s_tree->path(items[3])};
    ASSERT_EQ(handOver(player, *s_tree, items), 3);
    EXPECT_EQ(player.playlistEntries(), paths);

    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.started.size() >= 4; }, 8000))
        << seen.started.join(", ").toStdString();
    EXPECT_EQ(seen.started.mid(0, 4), QStringList({paths[0], paths[1], paths[2], paths[0]}));
    EXPECT_EQ(seen.failed, QStringList({paths[1]}));
    EXPECT_FALSE(seen.errors.value(0).isEmpty());
    // The retry interval is short, so a wrongly armed retry would have shown by now.
    EXPECT_EQ(seen.allFailed, 0);
    EXPECT_EQ(player.currentPosition(), 0);

    player.pause();
    EXPECT_TRUE(player.isPaused());
    player.play();
    EXPECT_FALSE(player.isPaused());
    // Emptying while a file plays must leave nothing behind, the playing entry included.
    player.clearPlaylist();
    EXPECT_TRUE(player.playlistEntries().isEmpty());
}

TEST_F(MpvPlayerTest, PlaylistWhoseEveryItemFailsIsTriedAgain)
{
    // One corrupt file and one that disappears after the hand-over: both fail to load.
    const QString broken = s_tree->path("plages/broken.avi");
    const QString gone = s_tree->write("night/gone.avi", "x");

    MpvPlayer player(nullptr, headless(200));
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
    const int startsBefore = seen.started.size();
    EXPECT_FALSE(QTest::qWaitFor([&] { return seen.started.size() > startsBefore; }, 600));
}
