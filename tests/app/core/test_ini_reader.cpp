#include "app/core/ini_reader.h"

#include "qt_print.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

using namespace zepril;

namespace {

const QString kSection = QStringLiteral("Variables_Setup");

QString value(const QString& text, const QString& key, const QString& def = QStringLiteral("DEF"))
{
    return iniValueFromText(text, kSection, key, def);
}

} // namespace

TEST(IniReader, MissingFileSectionOrKeyGiveTheDefault)
{
    test::TempTree tree;
    EXPECT_EQ(ReadIniValue(kSection, "cycle_phrase", tree.path("cfg/config.ini"), "30"), "30");
    EXPECT_EQ(ReadIniValue(kSection, "cycle_phrase", QString(), "30"), "30");
    // A directory in place of the file is no file either.
    EXPECT_EQ(ReadIniValue(kSection, "cycle_phrase", tree.mkdir("cfg"), "30"), "30");

    const QString ini = tree.write("cfg/config.ini", "[Autre]\r\ncycle_phrase=12\r\n[Variables_Setup]\r\nvitesse_affphrase=7\r\n");
    EXPECT_EQ(ReadIniValue("Absente", "cycle_phrase", ini, "30"), "30");
    EXPECT_EQ(ReadIniValue(kSection, "cycle_phrase", ini, "30"), "30") << "a key of another section must not leak";
    EXPECT_EQ(ReadIniValue(kSection, "vitesse_affphrase", ini, "10"), "7");
}

TEST(IniReader, EmptyValueIsEmptyNotDefault)
{
    EXPECT_EQ(value("[Variables_Setup]\ncycle_phrase=\n", "cycle_phrase"), "");
    EXPECT_EQ(value("[Variables_Setup]\ncycle_phrase =   \n", "cycle_phrase"), "");
    EXPECT_EQ(value("[Variables_Setup]\ncycle_phrase=\"\"\n", "cycle_phrase"), "");
}

TEST(IniReader, BlanksTrimmedAndOnePairOfQuotesUnwrapped)
{
    const QString text = QStringLiteral(
        "[Variables_Setup]\n"
        "  nom_hotel   =   grand hotel  \n"
        "a=\"  quoted  \"\n"
        "b='single'\n"
        "c=\"mismatched'\n"
        "d=\"\n"
        "e=\"\"twice\"\"\n"
        "f=x=y\n");
    EXPECT_EQ(value(text, "nom_hotel"), "grand hotel");
    EXPECT_EQ(value(text, "a"), "  quoted  ");
    EXPECT_EQ(value(text, "b"), "single");
    EXPECT_EQ(value(text, "c"), "\"mismatched'");
    EXPECT_EQ(value(text, "d"), "\"");
    EXPECT_EQ(value(text, "e"), "\"twice\"");
    EXPECT_EQ(value(text, "f"), "x=y") << "only the first '=' separates key and value";
}

TEST(IniReader, ValuesAndDefaultsAreCutTo254Characters)
{
    const QString exact(254, u'x');
    const QString longer = QString(254, u'y') + QStringLiteral("TAIL");
    const QString text = "[Variables_Setup]\nexact=" + exact + "\nlong=" + longer + "\nquoted=\"" + longer + "\"\n";
    EXPECT_EQ(value(text, "exact"), exact);
    EXPECT_EQ(value(text, "long"), QString(254, u'y'));
    EXPECT_EQ(value(text, "quoted"), QString(254, u'y'));
    EXPECT_EQ(value(text, "absent", longer), QString(254, u'y'));
}

TEST(IniReader, NamesAreCaseInsensitive)
{
    const QString text = QStringLiteral("[VARIABLES_setup]\nCYCLE_Phrase=45\n");
    EXPECT_EQ(value(text, "cycle_phrase"), "45");
    EXPECT_EQ(iniValueFromText(text, "variables_SETUP", "Cycle_Phrase", "x"), "45");
    EXPECT_EQ(iniValueFromText("[ Variables_Setup ]\ncycle_phrase=1\n", kSection, "cycle_phrase", "x"), "1");
}

TEST(IniReader, CommentsAndStrayLinesAreIgnored)
{
    const QString text = QStringLiteral(
        "; cycle_phrase=1\n"
        "[Variables_Setup]\n"
        ";cycle_phrase=2\n"
        "   ; cycle_phrase=3\n"
        "a line without equals sign\n"
        "\n"
        "cycle_phrase=4\n");
    EXPECT_EQ(value(text, "cycle_phrase"), "4");
    EXPECT_EQ(value(text, ";cycle_phrase"), "DEF");
}

TEST(IniReader, FirstMatchWins)
{
    const QString text = QStringLiteral(
        "[Variables_Setup]\ncycle_phrase=first\ncycle_phrase=second\nCYCLE_PHRASE=third\n"
        "[Variables_Setup]\ncycle_phrase=other section\n");
    EXPECT_EQ(value(text, "cycle_phrase"), "first");
}

TEST(IniReader, ReadsEveryLineEndAndBothEncodingsFromDisk)
{
    test::TempTree tree;
    // CR alone, LF alone, CR LF, Windows-1252 accented letters.
    const QString ini = tree.write("config.ini",
                                   "[Variables_Setup]\rnom_hotel=H\xF4tel \x80uro\nmajvid_heure=03:30\r\nlast=1");
    EXPECT_EQ(ReadIniValue(kSection, "nom_hotel", ini, "x"), QStringLiteral("Hôtel €uro"));
    EXPECT_EQ(ReadIniValue(kSection, "majvid_heure", ini, "x"), "03:30");
    EXPECT_EQ(ReadIniValue(kSection, "last", ini, "x"), "1");

    const QString utf8 = tree.write("utf8.ini", "\xEF\xBB\xBF[Variables_Setup]\r\nnom_hotel=Caf\xC3\xA9\r\n");
    EXPECT_EQ(ReadIniValue(kSection, "nom_hotel", utf8, "x"), QStringLiteral("Café"))
        << "a byte-order mark must not hide the first section";
    const QString mixed = tree.write("mixed.ini", "\xEF\xBB\xBF[Variables_Setup]\r\nnom_hotel=Caf\xE9\r\n");
    EXPECT_EQ(ReadIniValue(kSection, "nom_hotel", mixed, "x"), QStringLiteral("Café"))
        << "nor when a legacy byte follows it";
}
