#include "net/ftp_listing.h"
#include "net/ftp_transfer.h"

#include <gtest/gtest.h>

using namespace zepril;

namespace {
const QString kMarker = QString(kEmptyFolderMarker);
}

TEST(FtpListing, OrdersDirectoriesFirstKeepingTheServerOrderInEachGroup)
{
    EXPECT_EQ(orderListing(QStringLiteral("a.avi\r\ndocs/\r\nb.avi\r\nimg/\r\n")),
              (QStringList{"docs/", "img/", "a.avi", "b.avi"}));
    // Blank lines are no entries; a line end of LF alone loses no character.
    EXPECT_EQ(orderListing(QStringLiteral("\r\nz/\r\n\r\ny\nx/\r\n")), (QStringList{"z/", "x/", "y"}));
    // What follows the last line feed is not an entry.
    EXPECT_EQ(orderListing(QStringLiteral("a.avi\r\npartial")), QStringList{"a.avi"});
}

TEST(FtpListing, NothingListedGivesTheMarker)
{
    EXPECT_EQ(orderListing({}), QStringList{kMarker});
    EXPECT_EQ(orderListing(QStringLiteral("a.avi")), QStringList{kMarker}); // no line feed at all
    EXPECT_EQ(orderListing(QStringLiteral("\r\n\r\n")), QStringList{kMarker});
}

TEST(FtpListing, ReadsMlsdFactsAndKeepsNamesWithBlanks)
{
    const QByteArray mlsd = "type=cdir;perm=el; .\r\n"
                            "type=pdir;perm=el; ..\r\n"
                            "modify=20240101000000;perm=r;size=6;type=file; my clip.avi\r\n"
                            "Type=DIR;perm=el; docs\r\n"
                            "size=3;type=OS.unix=slink:/x; link\r\n"
                            "garbage-without-blank\r\n";
    const QList<FtpEntry> expected{{"my clip.avi", false}, {"docs", true}, {"link", false}};
    EXPECT_EQ(parseMlsd(mlsd), expected);
}

TEST(FtpListing, ReadsUnixAndDosListings)
{
    bool ok = false;
    const QByteArray unixList = "total 12\r\n"
                                "-rw-r--r--   1 root     root            6 Dec 06 20:11 a b.avi\r\n"
                                "drwxr-xr-x   2 1000 1000       4096 Jan  1  2024 docs\r\n"
                                "drwxr-xr-x   2 ftp      4096 Jan  1  2024 nogroup\r\n"
                                "lrwxrwxrwx   1 root root 4 Jan 1 2024 up -> /srv/\r\n"
                                "drwxr-xr-x   2 root root 4096 Jan 1 2024 ..\r\n";
    const QList<FtpEntry> unixExpected{{"a b.avi", false}, {"docs", true}, {"nogroup", true}, {"up", true}};
    EXPECT_EQ(parseList(unixList, &ok), unixExpected);
    EXPECT_TRUE(ok);

    const QByteArray dos = "01-02-24  10:00AM       <DIR>          Photos\r\n"
                           "01-02-2024  18:30             1234 clip one.avi\r\n";
    const QList<FtpEntry> dosExpected{{"Photos", true}, {"clip one.avi", false}};
    EXPECT_EQ(parseList(dos, &ok), dosExpected);
    EXPECT_TRUE(ok);

    // A format nobody here knows: the caller must fall back to bare names.
    parseList("+i8388621.29609,m824255902,/,\tdev\r\n", &ok);
    EXPECT_FALSE(ok);
}

TEST(FtpListing, NlstNamesAndTheLsAnswer)
{
    const QList<FtpEntry> names = parseNlst("a.avi\r\nsub/\n.\r\n\r\n");
    EXPECT_EQ(names, (QList<FtpEntry>{{"a.avi", false}, {"sub", true}}));
    EXPECT_EQ(formatLsAnswer(names), QByteArray("a.avi\r\nsub/\r\n"));
    EXPECT_EQ(formatLsAnswer({}), QByteArray());
}

TEST(FtpListing, OnlyPlainNamesAreEntriesOfTheListedDirectory)
{
    EXPECT_TRUE(isPlainEntryName(QStringLiteral("a.avi")));
    EXPECT_TRUE(isPlainEntryName(QStringLiteral("..a")));
    EXPECT_TRUE(isPlainEntryName(QStringLiteral("docs/"), true));
    for (const char* bad : {"", ".", "..", "../x", "/etc/passwd", "a/b", "docs/"})
        EXPECT_FALSE(isPlainEntryName(QString::fromLatin1(bad))) << bad;
    for (const char* bad : {"../", "./", "/", "a/b/", "//"})
        EXPECT_FALSE(isPlainEntryName(QString::fromLatin1(bad), true)) << bad;
    EXPECT_TRUE(isDirectoryEntry(QStringLiteral("x/y")));
    EXPECT_FALSE(isDirectoryEntry(kMarker));
}

TEST(FtpListing, GetArgumentsSplitWhereTheLocalPathEndsWithTheRemoteName)
{
    QString remote, local;
    ASSERT_TRUE(splitGetArguments(QStringLiteral("a a /d/a a"), &remote, &local));
    EXPECT_EQ(remote, "a a");
    EXPECT_EQ(local, "/d/a a");
    ASSERT_TRUE(splitGetArguments(QStringLiteral("my clip.avi /tmp/in box/my clip.avi"), &remote, &local));
    EXPECT_EQ(remote, "my clip.avi");
    EXPECT_EQ(local, "/tmp/in box/my clip.avi");
    ASSERT_TRUE(splitGetArguments(QStringLiteral("x y x y"), &remote, &local)); // no receiving directory
    EXPECT_EQ(remote, "x y");
    EXPECT_EQ(local, "x y");
    ASSERT_TRUE(splitGetArguments(QStringLiteral("remote.txt /tmp/other.txt"), &remote, &local));
    EXPECT_EQ(remote, "remote.txt");
    EXPECT_EQ(local, "/tmp/other.txt");
    EXPECT_FALSE(splitGetArguments(QStringLiteral("alone"), &remote, &local));
    EXPECT_FALSE(splitGetArguments(QStringLiteral(" leading"), &remote, &local));
}
