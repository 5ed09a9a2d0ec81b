#include "core/list_file.h"
#include "core/text_codec.h"

#include <QStringDecoder>

#include "core_test.h"

TEST(ListFile, EveryLineEndEndsAName)
{
    TempTree tree;
    const struct {
        const char* what;
        QByteArray bytes;
        QStringList names;
    } rows[] = {
        {"CR LF", "keep1.mp4\r\nkeep2.mp4\r\n", {"keep1.mp4", "keep2.mp4"}},
        {"LF", "keep1.mp4\nkeep2.mp4\n", {"keep1.mp4", "keep2.mp4"}},
        {"CR", "keep1.mp4\rkeep2.mp4\r", {"keep1.mp4", "keep2.mp4"}},
        {"mixed", "a\r\nb\nc\rd\r\n", {"a", "b", "c", "d"}},
        {"no final line end", "a\nb", {"a", "b"}},
        {"blank lines", "\na\n\n\r\n\rb\r\n\r\n", {"", "a", "", "", "", "b", ""}},
        {"CR before CR LF", "a\r\r\nb", {"a", "", "b"}},
        {"LF before CR LF", "a\n\r\nb", {"a", "", "b"}},
        {"empty file", "", {}},
    };
    for (const auto& row : rows) {
        QStringList names{"stale"};
        ASSERT_TRUE(readListFile(tree.write("cfg/night.ini", row.bytes), names)) << row.what;
        EXPECT_EQ(names, row.names) << row.what;
    }
}

TEST(TextCodec, Utf16ByMarkUtf8WhenValidElseWindows1252)
{
    EXPECT_EQ(decodeText("\xEF\xBB\xBF" "Caf\xC3\xA9"), QStringLiteral("Café"));
    EXPECT_EQ(decodeText(QByteArray("\xFF\xFE" "C\0\xE9\0\x3D\xD8\x00\xDE", 10)), QStringLiteral("Cé😀"));
    EXPECT_EQ(decodeText(QByteArray("\xFF\xFE" "\x6C\xDE" "a\0", 6)), QStringLiteral("\uFFFDa")) << "a lone surrogate";
    EXPECT_EQ(decodeText("CAF\xC9"), QStringLiteral("CAFÉ")) << "a last byte that looks like a UTF-8 lead";
    // Every byte as the system's own converter has it; its five undefined bytes come
    // through as C1 controls.
    QStringDecoder reference("windows-1252");
    for (int b = 0; b < 256 && reference.isValid(); ++b) {
        const QByteArray byte(1, char(b));
        const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        EXPECT_EQ(decodeWindows1252(byte), undefined ? QString(QChar(b)) : QString(reference.decode(byte))) << b;
    }
}

TEST(ListFile, WrittenThenReadGivesTheSameNamesAndFailuresEmptyTheList)
{
    TempTree tree;
    const QString path = tree.write("cfg/error.ini");
    // The second list holds a mark that is part of the name.
    for (const QStringList& names : QList<QStringList>{{QStringLiteral("/opt/videos-auto/night/soirée.avi"), "", "b c"},
                                                       {QStringLiteral("\uFEFFfirst.mp4"), QStringLiteral("\uFEFF")},
                                                       {""},
                                                       {}}) {
        ASSERT_TRUE(writeListFile(path, names));
        QStringList back{"stale"};
        ASSERT_TRUE(readListFile(path, back));
        EXPECT_EQ(back, names);
    }
    ASSERT_TRUE(writeListFile(path, {QStringLiteral("é"), "", "z"}));
    EXPECT_EQ(tree.read("cfg/error.ini"), QByteArray("\xC3\xA9\r\n\r\nz\r\n")) << "UTF-8 with CR LF, no mark";

    EXPECT_FALSE(writeListFile(tree.path("nodir/error.ini"), {"a"}));
    EXPECT_FALSE(tree.exists("nodir"));
    for (const QString& notAList : {tree.path("missing.ini"), tree.mkdir("adir")}) {
        QStringList list{"x"};
        EXPECT_FALSE(readListFile(notAList, list)) << notAList;
        EXPECT_TRUE(list.isEmpty());
    }
}
