#include "app/core/file_helpers.h"

#include "qt_print.h"
#include "support/temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace zepril;

namespace {

// A category directory holding every kind of entry the listing must sort out.
class MixedTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = tree.mkdir("videos-man/night");
        tree.write("videos-man/night/a.avi", "x");
        tree.write("videos-man/night/b.mp4", "x");
        tree.write("videos-man/night/noext", "x");
        tree.write("videos-man/night/[promo] c.avi", "x");
        tree.write(QStringLiteral("videos-man/night/soirée ok.avi"), "x");
        tree.write("videos-man/night/.hidden.avi", "x");
        tree.mkdir("videos-man/night/sub.avi");
        tree.write("videos-man/night/sub.avi/inner.avi", "x");
        ASSERT_EQ(::mkfifo(QFile::encodeName(tree.path("videos-man/night/fifo.avi")).constData(), 0600), 0);
        ASSERT_TRUE(QFile::link(tree.path("videos-man/night/a.avi"), tree.path("videos-man/night/link.avi")));
        ASSERT_TRUE(QFile::link(tree.path("videos-man/night/sub.avi"), tree.path("videos-man/night/dirlink.avi")));
        ASSERT_TRUE(QFile::link(tree.path("videos-man/night/gone.avi"), tree.path("videos-man/night/broken.avi")));
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
    EXPECT_EQ(names, QStringList({"[promo] c.avi", "a.avi", "b.mp4", "link.avi", "noext",
                                  QStringLiteral("soirée ok.avi")}));
    EXPECT_TRUE(listOrdinaryFiles(tree.path("videos-man/plages")).isEmpty());
    EXPECT_TRUE(listOrdinaryFiles(at("a.avi")).isEmpty()) << "a file is no directory to list";
}

TEST_F(MixedTree, FileExistsWithoutWildcards)
{
    EXPECT_TRUE(FileExists(at("a.avi")));
    EXPECT_TRUE(FileExists(at("noext")));
    EXPECT_TRUE(FileExists(at("link.avi"))) << "a link to a file is that file";
    EXPECT_TRUE(FileExists(at(QStringLiteral("soirée ok.avi"))));
    EXPECT_TRUE(FileExists(at("[promo] c.avi"))) << "brackets are no pattern";

    EXPECT_FALSE(FileExists(QString()));
    EXPECT_FALSE(FileExists(dir + u'/'));
    EXPECT_FALSE(FileExists(at("a.avi") + u'/'));
    EXPECT_FALSE(FileExists(dir));
    EXPECT_FALSE(FileExists(at(".hidden.avi")));
    EXPECT_FALSE(FileExists(at("fifo.avi")));
    EXPECT_FALSE(FileExists(at("sub.avi")));
    EXPECT_FALSE(FileExists(at("dirlink.avi")));
    EXPECT_FALSE(FileExists(at("broken.avi")));
    EXPECT_FALSE(FileExists(at("missing.avi")));
    EXPECT_FALSE(FileExists(tree.path("videos-man/nodir/a.avi")));
    EXPECT_FALSE(FileExists(at("A.AVI"))) << "names are case-sensitive";
}

TEST_F(MixedTree, FileExistsWithWildcards)
{
    EXPECT_TRUE(FileExists(at("*.*")));
    EXPECT_TRUE(FileExists(at("*.mp4")));
    EXPECT_TRUE(FileExists(at("?.avi")));
    EXPECT_TRUE(FileExists(at("b.mp?")));
    EXPECT_TRUE(FileExists(at("no*")));
    EXPECT_TRUE(FileExists(at("[promo]*")));
    EXPECT_TRUE(FileExists(at("lin?.avi")));

    EXPECT_FALSE(FileExists(at("*.mkv")));
    EXPECT_FALSE(FileExists(at("??.avi")));
    EXPECT_FALSE(FileExists(at("[ab].avi"))) << "no character classes: only a file named so would match";
    EXPECT_FALSE(FileExists(at("[!x]*")));
    EXPECT_FALSE(FileExists(at(".hid*"))) << "a hidden file never matches";
    EXPECT_FALSE(FileExists(at("fifo*"))) << "a FIFO never matches";
    EXPECT_FALSE(FileExists(at("sub*"))) << "a directory never matches";
    EXPECT_FALSE(FileExists(at("broken*")));
    EXPECT_FALSE(FileExists(tree.path("videos-man/nodir/*.*")));
    EXPECT_FALSE(FileExists(tree.path("videos-man/*/a.avi"))) << "wildcards only in the last component";
}

TEST(FileHelpers, WildcardMatchingIsLiteralOutsideStarAndQuestionMark)
{
    EXPECT_TRUE(matchesWildcard("a+b(1).avi", "a+b(1).avi"));
    EXPECT_FALSE(matchesWildcard("a+b(1).avi", "aab(1).avi"));
    EXPECT_TRUE(matchesWildcard("clip.*", "clip.avi"));
    EXPECT_FALSE(matchesWildcard("clip.*", "clipXavi"));
    EXPECT_TRUE(matchesWildcard("*.*", "noext"));
    EXPECT_TRUE(matchesWildcard("x?z", "xyz"));
    EXPECT_FALSE(matchesWildcard("x?z", "xz"));
    EXPECT_FALSE(matchesWildcard("a.avi", "A.avi"));
    EXPECT_FALSE(matchesWildcard("a\\d.avi", "a1.avi"));
}

TEST(FileHelpers, ShortPathNamesAnExistingEntryOrNothing)
{
    test::TempTree tree;
    const QString file = tree.write("cfg/config.ini", "x");
    EXPECT_EQ(GetShortPath(file), file);
    EXPECT_TRUE(FileExists(GetShortPath(file)));
    EXPECT_EQ(GetShortPath(tree.path("cfg")), tree.path("cfg"));
    EXPECT_EQ(GetShortPath(tree.path("cfg/missing.ini")), QString());
    EXPECT_EQ(GetShortPath(QString()), QString());
}

TEST(FileHelpers, PathPieces)
{
    EXPECT_EQ(FileNameFromPath("/opt/zepril/videos-auto/night/a.avi"), "a.avi");
    EXPECT_EQ(FileNameFromPath("a.avi"), "a.avi");
    EXPECT_EQ(FileNameFromPath("/opt/videos/"), "");
    EXPECT_EQ(FileNameFromPath("C:\\videos\\a.avi"), "C:\\videos\\a.avi") << "only the native separator splits";
    EXPECT_EQ(FileNameFromPath(""), "");

    EXPECT_EQ(joinPath("/opt/zepril", "cfg"), "/opt/zepril/cfg");
    EXPECT_EQ(joinPath("/opt/zepril/", "cfg"), "/opt/zepril/cfg");
    EXPECT_EQ(joinPath("", "cfg"), "cfg");
}

TEST(FileHelpers, DeleteFile)
{
    test::TempTree tree;
    const QString file = tree.write("videos-auto/night/partial.avi", "half");
    EXPECT_TRUE(deleteFile(file));
    EXPECT_FALSE(tree.exists("videos-auto/night/partial.avi"));
    EXPECT_FALSE(deleteFile(file));
}
