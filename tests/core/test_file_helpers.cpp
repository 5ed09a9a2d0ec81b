#include "core/file_helpers.h"

#include "support/qt_print.h"
#include "support/temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace zepril;

namespace {

// A category directory holding every kind of entry the listing must sort out.
class MixedTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = tree.mkdir("videos-man/night");
        for (const QString name : {"a.avi", "b.mp4", "noext", "[promo] c.avi", "soirée ok.avi", ".hidden.avi",
                                   "sub.avi/inner.avi"})
            tree.write("videos-man/night/" + name, "x");
        ASSERT_EQ(::mkfifo(QFile::encodeName(at("fifo.avi")).constData(), 0600), 0);
        ASSERT_TRUE(QFile::link(at("a.avi"), at("link.avi")));
        ASSERT_TRUE(QFile::link(at("sub.avi"), at("dirlink.avi")));
        ASSERT_TRUE(QFile::link(at("gone.avi"), at("broken.avi")));
    }

    QString at(const QString& name) const { return dir + u'/' + name; }

    test::TempTree tree;
    QString dir;
};

} // namespace

TEST_F(MixedTree, ListingKeepsOnlyOrdinaryFiles)
{
    QStringList names = listOrdinaryFiles(dir);
    names.sort();
    EXPECT_EQ(names, QStringList({"[promo] c.avi", "a.avi", "b.mp4", "link.avi", "noext", "soirée ok.avi"}));
    EXPECT_TRUE(listOrdinaryFiles(tree.path("videos-man/plages")).isEmpty());
    EXPECT_TRUE(listOrdinaryFiles(at("a.avi")).isEmpty()) << "a file is no directory to list";
}

TEST_F(MixedTree, FileExistsSeesOnlyVisibleOrdinaryFilesWithStarAndQuestionMarkAsOnlyWildcards)
{
    // A link to a file is that file; brackets are no pattern; names are case-sensitive.
    for (const QString name : {"a.avi", "noext", "link.avi", "soirée ok.avi", "[promo] c.avi", "*.*", "*.mp4",
                               "?.avi", "b.mp?", "no*", "[promo]*", "lin?.avi"})
        EXPECT_TRUE(FileExists(at(name))) << name.toStdString();
    // Hidden files, FIFOs, directories and broken links never count, even through a
    // pattern; "[ab]" has no character class meaning.
    for (const QString name : {"", ".hidden.avi", "fifo.avi", "sub.avi", "dirlink.avi", "broken.avi", "missing.avi",
                               "A.AVI", "a.avi/", "*.mkv", "??.avi", "[ab].avi", "[!x]*", ".hid*", "fifo*", "sub*",
                               "broken*"})
        EXPECT_FALSE(FileExists(at(name))) << name.toStdString();
    EXPECT_FALSE(FileExists(QString()));
    EXPECT_FALSE(FileExists(dir));
    EXPECT_FALSE(FileExists(tree.path("videos-man/nodir/a.avi")));
    EXPECT_FALSE(FileExists(tree.path("videos-man/nodir/*.*")));
    EXPECT_FALSE(FileExists(tree.path("videos-man/*/a.avi"))) << "wildcards only in the last component";
}

TEST(FileHelpers, WildcardMatchingIsLiteralOutsideStarAndQuestionMark)
{
    EXPECT_TRUE(matchesWildcard("a+b(1).avi", "a+b(1).avi"));
    for (const auto& [pattern, name] : {std::pair{"a+b(1).avi", "aab(1).avi"}, {"clip.*", "clipXavi"},
                                        {"x?z", "xz"}, {"a\\d.avi", "a1.avi"}})
        EXPECT_FALSE(matchesWildcard(pattern, name)) << pattern << " ~ " << name;
}

TEST(FileHelpers, ShortPathAndPathPieces)
{
    test::TempTree tree;
    const QString file = tree.write("cfg/config.ini", "x");
    EXPECT_EQ(GetShortPath(file), file);
    EXPECT_EQ(GetShortPath(tree.path("cfg")), tree.path("cfg"));
    EXPECT_EQ(GetShortPath(tree.path("cfg/missing.ini")), QString());

    EXPECT_EQ(FileNameFromPath("/opt/videos/a.avi"), "a.avi");
    EXPECT_EQ(FileNameFromPath("C:\\videos\\a.avi"), "C:\\videos\\a.avi") << "only the native separator splits";
    EXPECT_EQ(joinPath("/opt/zepril/", "cfg"), "/opt/zepril/cfg");
}
