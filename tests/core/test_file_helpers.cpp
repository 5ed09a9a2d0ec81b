#include "core/file_helpers.h"

#include <QFile>

#include "core_test.h"

#include <sys/stat.h>

// A category directory holding every kind of entry the listing must sort out.
TEST(FileHelpers, OnlyVisibleOrdinaryFilesCountStarAndQuestionMarkAreTheOnlyWildcardsAndPathPieces)
{
    TempTree tree;
    const QString dir = tree.mkdir("videos-man/night");
    const auto at = [&](const QString& name) { return dir + u'/' + name; };
    for (const QString name : {"a.avi", "b.mp4", "noext", "[promo] c.avi", "soirée ok.avi", ".hidden.avi",
                               "sub.avi/inner.avi"})
        tree.write("videos-man/night/" + name, "x");
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("fifo.avi")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(at("a.avi"), at("link.avi")));
    ASSERT_TRUE(QFile::link(at("sub.avi"), at("dirlink.avi")));
    ASSERT_TRUE(QFile::link(at("gone.avi"), at("broken.avi")));

    QStringList names = listOrdinaryFiles(dir);
    names.sort();
    EXPECT_EQ(names, QStringList({"[promo] c.avi", "a.avi", "b.mp4", "link.avi", "noext", "soirée ok.avi"}));
    EXPECT_TRUE(listOrdinaryFiles(tree.path("videos-man/plages")).isEmpty());
    EXPECT_TRUE(listOrdinaryFiles(at("a.avi")).isEmpty()) << "a file is no directory to list";

    // A link to a file is that file; brackets are no pattern; names are case-sensitive.
    for (const QString name : {"a.avi", "noext", "link.avi", "soirée ok.avi", "[promo] c.avi", "*.*", "*.mp4",
                               "?.avi", "b.mp?", "no*", "[promo]*", "lin?.avi"})
        EXPECT_TRUE(ordinaryFileMatches(at(name))) << name;
    // Hidden files, FIFOs, directories and broken links never count, even through a
    // pattern; "[ab]" has no character class meaning.
    for (const QString name : {"", ".hidden.avi", "fifo.avi", "sub.avi", "dirlink.avi", "broken.avi", "missing.avi",
                               "A.AVI", "a.avi/", "*.mkv", "??.avi", "[ab].avi", "[!x]*", ".hid*", "fifo*", "sub*",
                               "broken*"})
        EXPECT_FALSE(ordinaryFileMatches(at(name))) << name;
    for (const QString& path : {QString(), dir, tree.path("videos-man/nodir/a.avi"),
                                tree.path("videos-man/nodir/*.*"), tree.path("videos-man/*/a.avi")})
        EXPECT_FALSE(ordinaryFileMatches(path)) << path << ": wildcards only in the last component";
    EXPECT_TRUE(matchesWildcard("a+b(1).avi", "a+b(1).avi"));
    for (const auto& [pattern, name] : {std::pair{"a+b(1).avi", "aab(1).avi"}, {"clip.*", "clipXavi"},
                                        {"x?z", "xz"}, {"a\\d.avi", "a1.avi"}})
        EXPECT_FALSE(matchesWildcard(pattern, name)) << pattern << " ~ " << name;
    EXPECT_EQ(existingPathOrEmpty(at("a.avi")), at("a.avi"));
    EXPECT_EQ(existingPathOrEmpty(dir), dir);
    EXPECT_EQ(existingPathOrEmpty(at("missing.avi")), QString());
    EXPECT_EQ(fileNameOf("/opt/videos/a.avi"), "a.avi");
    EXPECT_EQ(fileNameOf("C:\\videos\\a.avi"), "C:\\videos\\a.avi") << "only the native separator splits";
    EXPECT_EQ(joinPath("/opt/zepril/", "cfg"), "/opt/zepril/cfg");
}
