#include "net/ftp_listing.h"
#include "net_test.h"

#include <utility>

TEST(FtpListing, OrdersDirectoriesFirstKeepingTheServerOrderInEachGroup)
{
    const std::pair<const char*, QStringList> rows[] = {
        {"a.avi\r\ndocs/\r\nb.avi\r\nimg/\r\n", {"docs/", "img/", "a.avi", "b.avi"}},
        {"\r\nz/\r\n\r\ny\nx/\r\n", {"z/", "x/", "y"}}, // blank lines skipped; LF alone ends a line
        {"a.avi\r\npartial", {"a.avi"}},                // nothing after the last line feed
        {"  \r\n \t/\r\n.\r\n../\r\nok\r\n", {"ok"}},    // blank names, the directory and its parent: no rows
        {"a\rb\r\nc\x01.avi\r\nd.avi\r\n", {"d.avi"}},  // a bare CR or a control character inside a name
        {"..a\r\n...\r\n", {"..a", "..."}},             // names that only start like the parent
        {"", {kMarker}},
        {"a.avi", {kMarker}},
        {"\r\n\r\n", {kMarker}},
    };
    for (const auto& [answer, expected] : rows)
        EXPECT_EQ(orderListing(QString::fromLatin1(answer)), expected) << answer;
}

TEST(FtpListing, ReadsEveryListingFormat)
{
    const QByteArray mlsd = "type=cdir;perm=el; .\r\ntype=pdir;perm=el; ..\r\n"
                            "modify=20240101000000;perm=r;size=6;type=file; my clip.avi\r\n"
                            "Type=DIR;perm=el; docs\r\nsize=3;type=OS.unix=slink:/x; link\r\ngarbage-without-blank\r\n"
                            "type=file;    \r\ntype=file; bad\x7f.avi\r\ntype=file; cr-only.avi\rtype=file; next.avi\n";
    EXPECT_EQ(parseMlsd(mlsd), (QList<FtpEntry>{{"my clip.avi", false}, {"docs", true}, {"link", false},
                                                {"cr-only.avi", false}, {"next.avi", false}}));

    const QByteArray unixList = "total 12\r\n"
                                "-rw-r--r--   1 root     root            6 Dec 06 20:11 a b.avi\r\n"
                                "drwxr-xr-x   2 1000 1000       4096 Jan  1  2024 docs\r\n"
                                "drwxr-xr-x   2 ftp      4096 Jan  1  2024 nogroup\r\n"
                                "lrwxrwxrwx   1 root root 4 Jan 1 2024 up -> /srv/\r\n"
                                "-rw-r--r--   1 root root 4 Jan 1 2024    \r\n"
                                "drwxr-xr-x   2 root root 4096 Jan 1 2024 ..\r\n";
    const QByteArray dos = "01-02-24  10:00AM       <DIR>          Photos\r\n"
                           "01-02-2024  18:30             1234 clip one.avi\r\n";
    bool ok = false;
    EXPECT_EQ(parseList(unixList, &ok), (QList<FtpEntry>{{"a b.avi", false}, {"docs", true}, {"nogroup", true}, {"up", true}}));
    EXPECT_TRUE(ok);
    EXPECT_EQ(parseList(dos, &ok), (QList<FtpEntry>{{"Photos", true}, {"clip one.avi", false}}));
    EXPECT_TRUE(ok);
    parseList("+i8388621.29609,m824255902,/,\tdev\r\n", &ok); // unknown: the caller falls back to bare names
    EXPECT_FALSE(ok);

    const QList<FtpEntry> names = parseNlst("a.avi\r\nsub/\n.\r\n\r\n   \r\nbell\x07\rlast.avi");
    EXPECT_EQ(names, (QList<FtpEntry>{{"a.avi", false}, {"sub", true}, {"last.avi", false}}));
    EXPECT_EQ(formatLsAnswer(names), QByteArray("a.avi\r\nsub/\r\nlast.avi\r\n"));
}
