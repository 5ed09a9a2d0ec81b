#include "core/list_file.h"
#include "core/text_codec.h"

#include "qt_print.h"
#include "support/temp_tree.h"

#include <QFile>
#include <QStringDecoder>

#include <gtest/gtest.h>

using namespace zepril;

TEST(ListText, LineEndsAndEncoding)
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
    EXPECT_EQ(decodeText("\xEF\xBB\xBF" "Caf\xE9"), QStringLiteral("Café")) << "the mark is dropped either way";
    EXPECT_EQ(decodeText(""), QString());

    // Every byte as the reference code page has it; its five undefined bytes come
    // through as C1 controls.
    QStringDecoder reference("windows-1252");
    for (int b = 0; b < 256; ++b) {
        const QString ours = decodeWindows1252(QByteArray(1, char(b)));
        ASSERT_EQ(ours.size(), 1) << "byte " << b;
        const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        if (undefined) {
            EXPECT_EQ(ours.at(0).unicode(), b);
        } else if (reference.isValid()) {
            EXPECT_EQ(ours.at(0).unicode(), QString(reference.decode(QByteArray(1, char(b)))).at(0).unicode()) << b;
        }
    }
    EXPECT_EQ(decodeText("\x93" "cit\xE9" "\x94 \x80 \x85"), QStringLiteral("“cité” € …"));
}

TEST(ListFile, ReadsWindows1252AndUtf8FilesAndAMissingFileLeavesTheListEmpty)
{
    test::TempTree tree;
    QStringList list{"old1", "old2", "old3", "old4", "old5"};
    ASSERT_TRUE(ReadFileToList(tree.write("cfg/textes.ini", "Bienvenue \xE0 l'h\xF4tel\r\n\x80 5 \x96 caf\xE9\r\n\r\nFin"),
                               list));
    EXPECT_EQ(list, QStringList({QStringLiteral("Bienvenue à l'hôtel"), QStringLiteral("€ 5 – café"), "", "Fin"}));
    ASSERT_TRUE(LoadListFromFile(tree.write("cfg/plages.ini", "\xEF\xBB\xBF\xC3\xA9t\xC3\xA9.avi\r\nb.avi\r\n"), list));
    EXPECT_EQ(list, QStringList({QStringLiteral("été.avi"), "b.avi"}));

    EXPECT_FALSE(LoadListFromFile(tree.path("missing.ini"), list));
    EXPECT_TRUE(list.isEmpty());
    list = {"x"};
    EXPECT_FALSE(ReadFileToList(QString(), list));
    EXPECT_TRUE(list.isEmpty());
    list = {"x"};
    EXPECT_FALSE(ReadFileToList(tree.mkdir("adir"), list)) << "a directory is not a list file";
    EXPECT_TRUE(list.isEmpty());
}

TEST(ListFile, SaveReplacesTheWholeFileAndReadsBack)
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

    ASSERT_TRUE(SaveListToFile(path, {"z"}));
    EXPECT_EQ(tree.read("cfg/error.ini"), QByteArray("z\r\n"));
    ASSERT_TRUE(SaveListToFile(path, {}));
    EXPECT_TRUE(tree.exists("cfg/error.ini"));
    EXPECT_EQ(QFile(path).size(), 0);
    ASSERT_TRUE(ReadFileToList(path, back));
    EXPECT_TRUE(back.isEmpty());

    EXPECT_FALSE(SaveListToFile(tree.path("nodir/error.ini"), {"a"}));
    EXPECT_FALSE(tree.exists("nodir"));
}
