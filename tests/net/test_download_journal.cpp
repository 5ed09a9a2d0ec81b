// The start-up's clean-up of failed downloads, on real directory trees.
#include "net/download_journal.h"

#include "support/temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace zepril;
using zepril::test::TempTree;

namespace {

QByteArray journalOf(const QStringList& paths)
{
    QByteArray bytes;
    for (const QString& path : paths)
        bytes += path.toUtf8() + "\r\n";
    return bytes;
}

}

TEST(ClearFailedDownloads, DeletesOnlyListedVideosAndEmptiesTheJournal)
{
    TempTree tree;
    TempTree elsewhere;
    const ProgramPaths paths(tree.root());
    const QString partial = tree.write("videos-auto/plages/sable.avi", QByteArray(100, 'v'));
    const QString neighbour = tree.write("videos-auto/plages/vagues.avi", QByteArray(100, 'v'));
    const QString manual = tree.write("videos-man/night/soiree.avi", "x");
    const QString config = tree.write("cfg/config.ini", "[Variables_Setup]\r\n");
    const QString foreign = elsewhere.write("precious.txt", "keep me");
    const QString linkedAway = elsewhere.write("linked/target.avi", "keep me too");
    ASSERT_TRUE(QFile::link(elsewhere.path("linked"), tree.path("videos-auto/evil")));
    const QString lookAlike = tree.write("videos-autox/x.avi", "keep");
    tree.write("cfg/error.ini",
               journalOf({
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
    QStringList failedDownloads{"left from before"};

    clearFailedDownloads(paths, failedDownloads);

    EXPECT_FALSE(QFile::exists(partial));
    EXPECT_FALSE(QFile::exists(manual));
    for (const QString& kept : {neighbour, config, foreign, linkedAway, lookAlike})
        EXPECT_TRUE(QFile::exists(kept)) << kept.toStdString();
    EXPECT_TRUE(failedDownloads.isEmpty());
    ASSERT_TRUE(tree.exists("cfg/error.ini"));
    EXPECT_TRUE(tree.read("cfg/error.ini").isEmpty());
}

TEST(ClearFailedDownloads, WithoutAJournalNothingIsDeletedAndAnEmptyOneIsCreated)
{
    TempTree tree;
    const ProgramPaths paths(tree.root());
    const QString video = tree.write("videos-auto/night/club.avi", "x");
    tree.mkdir("cfg");
    QStringList failedDownloads;

    clearFailedDownloads(paths, failedDownloads);

    EXPECT_TRUE(QFile::exists(video));
    EXPECT_TRUE(failedDownloads.isEmpty());
    ASSERT_TRUE(tree.exists("cfg/error.ini"));
    EXPECT_TRUE(tree.read("cfg/error.ini").isEmpty());
}
