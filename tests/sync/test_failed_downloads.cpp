// The failed-downloads journal on real directory trees.
#include "sync/failed_downloads.h"

#include "core/list_file.h"

#include "support/temp_tree.h"
#include "support/video_bytes.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>

using namespace zepril;
using zepril::test::TempTree;

// Without a journal the start-up deletes nothing; with one, only the listed videos inside
// the video folders. Either way the journal is left empty.
TEST(FailedDownloads, TheStartUpDeletesOnlyListedVideosAndEmptiesTheJournal)
{
    TempTree tree;
    TempTree elsewhere;
    FailedDownloads journal{ProgramPaths(tree.root())};
    const QString partial = tree.write("videos-auto/plages/sable.avi", QByteArray(100, 'v'));
    const QString neighbour = tree.write("videos-auto/plages/vagues.avi", QByteArray(100, 'v'));
    const QString manual = tree.write("videos-man/night/soiree.avi", "x");
    const QString config = tree.write("cfg/config.ini", "[Variables_Setup]\r\n");
    const QString foreign = elsewhere.write("precious.txt", "keep me");
    const QString linkedAway = elsewhere.write("linked/target.avi", "keep me too");
    ASSERT_TRUE(QFile::link(elsewhere.path("linked"), tree.path("videos-auto/evil")));
    const QString lookAlike = tree.write("videos-autox/x.avi", "keep");
    const QStringList kept{neighbour, config, foreign, linkedAway, lookAlike};
    journal.clearAtStartup();
    for (const QString& path : kept + QStringList{partial, manual})
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    EXPECT_TRUE(tree.exists("cfg/error.ini") && tree.read("cfg/error.ini").isEmpty());

    tree.write("cfg/error.ini",
               encodeList({
                   partial,
                   tree.path("videos-auto/plages/deja-parti.avi"),       // already gone
                   tree.path("videos-auto/services/absent/clip.avi"),    // in a missing directory
                   manual,
                   config,                                               // not a video
                   foreign,                                              // another tree altogether
                   tree.path("videos-auto/../cfg/config.ini"),           // climbs out
                   tree.path("videos-auto/evil/target.avi"),             // through a linked directory
                   QStringLiteral("videos-auto/plages/vagues.avi"),      // relative: no fixed meaning
                   lookAlike,                                            // a look-alike folder name
               }));
    journal.clearAtStartup();
    EXPECT_FALSE(QFile::exists(partial));
    EXPECT_FALSE(QFile::exists(manual));
    for (const QString& path : kept)
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    EXPECT_TRUE(journal.paths().isEmpty());
    ASSERT_TRUE(tree.exists("cfg/error.ini"));
    EXPECT_TRUE(tree.read("cfg/error.ini").isEmpty());

    // A video the player cannot open is journaled once, for a check.
    journal.recordPlaybackFailure(neighbour);
    journal.recordPlaybackFailure(neighbour);
    EXPECT_EQ(journal.paths(), QStringList{neighbour});

    // The disk is waited for in the event loop: a failure recorded by an event meanwhile
    // is on the disk too when the save returns, whichever of the two wrote last.
    const QString next = tree.path("videos-auto/plages/.suivant.avi.part");
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { journal.recordPlaybackFailure(manual); }, Qt::QueuedConnection);
    EXPECT_TRUE(journal.begin(next, {"http://x/suivant.avi", 9, "\"e\"", {}}));
    QStringList lines;
    readListFile(tree.path("cfg/error.ini"), lines);
    EXPECT_EQ(lines.mid(0, 3), QStringList({neighbour, next, manual}));
}

// A video that could not be played once (a transient fault), then a start-up without the
// servers: the video passes the media check and stays, while one whose bytes are no video
// goes, and a partial download stays with what is known of it for the next attempt.
TEST(FailedDownloads, APlaybackFailureIsCheckedAtTheNextStartUpNotDeleted)
{
    TempTree tree;
    tree.mkdir("cfg");
    const ProgramPaths paths(tree.root());
    const QString good = tree.path("videos-auto/night/good.mp4");
    ASSERT_TRUE(zepril::test::makeVideo(good, 0.2));
    const QString page = tree.write("videos-auto/night/page.mp4", "<!DOCTYPE html><html></html>");
    const QString part = tree.write("videos-auto/night/.next.mp4.part", "half");
    {
        FailedDownloads run{paths};
        run.clearAtStartup();
        run.recordPlaybackFailure(good);
        run.recordPlaybackFailure(page);
        run.begin(part, {"http://x/next.mp4", 8, "\"n\"", "Tue, 01 Dec 2026 10:00:00 GMT"});
    }
    FailedDownloads offline{paths};
    offline.clearAtStartup();
    EXPECT_TRUE(QFile::exists(good));
    EXPECT_FALSE(QFile::exists(page));
    EXPECT_TRUE(QFile::exists(part));
    EXPECT_EQ(offline.partial(part).value_or(RemoteVersion{}).lastModified, "Tue, 01 Dec 2026 10:00:00 GMT");
    // A weak ETag cannot vouch for bytes; the date can.
    EXPECT_EQ((RemoteVersion{{}, 8, "W/\"n\"", "date"}).ifRangeValidator(), "date");
}
