#include "app/core/list_file.h"
#include "app/core/text_codec.h"

#include "qt_print.h"
#include "support/temp_tree.h"

#include <QFile>
#include <QStringDecoder>

#include <gtest/gtest.h>

using namespace zepril;

TEST(ListText, LineEnds)
{
    EXPECT_EQ(parseListText("a\r\nb\r\n"), QStringList({"a", "b"}));
    EXPECT_EQ(parseListText("a\rb\r"), QStringList({"a", "b"})) << "a CR alone ends a line";
    EXPECT_EQ(parseListText("a\nb\r\n"), QStringList({"a\nb"})) << "a LF alone stays in the item";
    EXPECT_EQ(parseListText("a\nb\nc\n"), QStringList({"a\nb\nc\n"}));
    EXPECT_EQ(parseListText("a\r\nb"), QStringList({"a", "b"})) << "a last line without end is an item";
    EXPECT_EQ(parseListText("a\r\n\r\nb\r\n\r\n"), QStringList({"a", "", "b", ""}));
    EXPECT_EQ(parseListText("\r\n"), QStringList({""}));
    EXPECT_EQ(parseListText("a\r\r\nb"), QStringList({"a", "", "b"}));
    EXPECT_EQ(parseListText("a\n\r\nb"), QStringList({"a\n", "b"}));
    EXPECT_TRUE(parseListText("").isEmpty());
}

TEST(ListText, EncodeWritesUtf8WithCrLfAfterEveryItem)
{
    EXPECT_EQ(encodeList({"a", "", QStringLiteral("é")}), QByteArray("a\r\n\r\n\xC3\xA9\r\n"));
    EXPECT_TRUE(encodeList({}).isEmpty());
}

TEST(TextCodec, Utf8WithOrWithoutBomElseWindows1252)
{
    EXPECT_EQ(decodeText("Caf\xC3\xA9"), QStringLiteral("Café"));
    EXPECT_EQ(decodeText("\xEF\xBB\xBF" "Caf\xC3\xA9"), QStringLiteral("Café"));
    EXPECT_EQ(decodeText("Caf\xE9 cr\xE8me br\xFBl\xE9" "e"), QStringLiteral("Café crème brûlée"));
    // A legacy text whose last byte looks like the start of a UTF-8 sequence.
    EXPECT_EQ(decodeText("CAF\xC9"), QStringLiteral("CAFÉ"));
    EXPECT_EQ(decodeText("\x93" "cit\xE9" "\x94 \x80 \x85"), QStringLiteral("“cité” € …"));
    EXPECT_EQ(decodeText("\xEF\xBB\xBF" "Caf\xE9"), QStringLiteral("Café")) << "the mark is dropped either way";
    EXPECT_EQ(decodeText(""), QString());
}

TEST(TextCodec, Windows1252MatchesTheReferenceCodePageForEveryByte)
{
    QStringDecoder reference("windows-1252");
    if (!reference.isValid())
        GTEST_SKIP() << "this Qt has no Windows-1252 decoder to compare with";
    for (int b = 0; b < 256; ++b) {
        const QByteArray byte(1, char(b));
        const QString ours = decodeWindows1252(byte);
        ASSERT_EQ(ours.size(), 1) << "byte " << b;
        EXPECT_EQ(ours.at(0).unicode(), QString(reference.decode(byte)).at(0).unicode()) << "byte " << b;
    }
    // The five bytes the code page leaves undefined come through as C1 controls.
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(decodeWindows1252(QByteArray(1, char(b))).at(0).unicode(), b);
}

TEST(ListFile, ReadsWindows1252AndUtf8Files)
{
    test::TempTree tree;
    const QString legacy = tree.write("cfg/textes.ini", "Bienvenue \xE0 l'h\xF4tel\r\n\x80 5 \x96 caf\xE9\r\n\r\nFin");
    QStringList list;
    ASSERT_TRUE(ReadFileToList(legacy, list));
    EXPECT_EQ(list, QStringList({QStringLiteral("Bienvenue à l'hôtel"), QStringLiteral("€ 5 – café"), "",
                                 "Fin"}));

    const QString bom = tree.write("cfg/plages.ini", "\xEF\xBB\xBF\xC3\xA9t\xC3\xA9.avi\r\nb.avi\r\n");
    ASSERT_TRUE(LoadListFromFile(bom, list));
    EXPECT_EQ(list, QStringList({QStringLiteral("été.avi"), "b.avi"}));
}

TEST(ListFile, LoadReplacesContentAndMissingFileLeavesListEmpty)
{
    test::TempTree tree;
    QStringList list{"old1", "old2", "old3", "old4"};
    ASSERT_TRUE(LoadListFromFile(tree.write("three.ini", "one\r\ntwo\r\nthree\r\n"), list));
    EXPECT_EQ(list, QStringList({"one", "two", "three"}));

    EXPECT_FALSE(LoadListFromFile(tree.path("missing.ini"), list));
    EXPECT_TRUE(list.isEmpty());
    list = {"x"};
    EXPECT_FALSE(ReadFileToList(QString(), list));
    EXPECT_TRUE(list.isEmpty());
    list = {"x"};
    EXPECT_FALSE(ReadFileToList(tree.mkdir("adir"), list)) << "a directory is not a list file";
    EXPECT_TRUE(list.isEmpty());
}

TEST(ListFile, SaveAndReadBack)
{
    test::TempTree tree;
    const QString path = tree.path("cfg/error.ini");
    tree.mkdir("cfg");
    const QStringList items{QStringLiteral("/opt/zepril/videos-auto/night/soirée.avi"), "", "b c.mp4"};
    ASSERT_TRUE(SaveListToFile(path, items));
    EXPECT_EQ(tree.read("cfg/error.ini"),
              QByteArray("/opt/zepril/videos-auto/night/soir\xC3\xA9" "e.avi\r\n\r\nb c.mp4\r\n"));
    QStringList back;
    ASSERT_TRUE(ReadFileToList(path, back));
    EXPECT_EQ(back, items);

    // A shorter list replaces a longer file completely.
    ASSERT_TRUE(SaveListToFile(path, {"z"}));
    EXPECT_EQ(tree.read("cfg/error.ini"), QByteArray("z\r\n"));

    // An empty list gives an empty file, which reads back as an empty list.
    ASSERT_TRUE(SaveListToFile(path, {}));
    EXPECT_TRUE(tree.exists("cfg/error.ini"));
    EXPECT_EQ(QFile(path).size(), 0);
    back = {"stale"};
    ASSERT_TRUE(ReadFileToList(path, back));
    EXPECT_TRUE(back.isEmpty());
}

TEST(ListFile, SaveIntoMissingDirectoryFailsAndCreatesNothing)
{
    test::TempTree tree;
    EXPECT_FALSE(SaveListToFile(tree.path("nodir/error.ini"), {"a"}));
    EXPECT_FALSE(tree.exists("nodir"));
}
