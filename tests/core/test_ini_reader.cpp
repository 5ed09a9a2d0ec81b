#include "core/ini_reader.h"

#include "qt_print.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

using namespace zepril;

namespace {
const QString kSection = QStringLiteral("Variables_Setup");
}

TEST(IniReader, MissingFileSectionOrKeyGiveTheDefault)
{
    test::TempTree tree;
    EXPECT_EQ(ReadIniValue(kSection, "cycle_phrase", tree.path("cfg/config.ini"), "30"), "30");
    EXPECT_EQ(ReadIniValue(kSection, "cycle_phrase", QString(), "30"), "30");
    EXPECT_EQ(ReadIniValue(kSection, "cycle_phrase", tree.mkdir("cfg"), "30"), "30") << "a directory is no file";

    const QString ini = tree.write("cfg/config.ini", "[Autre]\r\ncycle_phrase=12\r\n[Variables_Setup]\r\nvitesse_affphrase=7\r\n");
    EXPECT_EQ(ReadIniValue("Absente", "cycle_phrase", ini, "30"), "30");
    EXPECT_EQ(ReadIniValue(kSection, "cycle_phrase", ini, "30"), "30") << "a key of another section must not leak";
    EXPECT_EQ(ReadIniValue(kSection, "vitesse_affphrase", ini, "10"), "7");
}

TEST(IniReader, ValuesFromText)
{
    const QString longer = QString(254, u'y') + QStringLiteral("TAIL");
    const QString text = QStringLiteral("; k0=1\n"
                                        "[VARIABLES_setup]\n"
                                        ";k0=2\n"
                                        "   ; k1=3\n"
                                        "a line without equals sign\n"
                                        "\n"
                                        "empty=\nblank =   \nquotes=\"\"\n"
                                        "  nom_hotel   =   grand hotel  \n"
                                        "a=\"  quoted  \"\nb='single'\nc=\"mismatched'\nd=\"\ne=\"\"twice\"\"\nf=x=y\n"
                                        "CYCLE_Phrase=first\ncycle_phrase=second\n"
                                        "exact=") +
                         QString(254, u'x') + "\nlong=" + longer + "\nquoted=\"" + longer + "\"\n" +
                         "[Variables_Setup]\ncycle_phrase=other section\n";
    const struct {
        const char* key;
        QString expected;
    } rows[] = {
        {"k0", "DEF"}, {"k1", "DEF"}, {";k0", "DEF"}, // comments and stray lines are ignored
        {"empty", ""}, {"blank", ""}, {"quotes", ""},  // empty is a value, not the default
        {"nom_hotel", "grand hotel"},                   // blanks trimmed, one pair of quotes unwrapped
        {"a", "  quoted  "}, {"b", "single"}, {"c", "\"mismatched'"}, {"d", "\""}, {"e", "\"twice\""},
        {"f", "x=y"},                                   // only the first '=' separates
        {"cycle_phrase", "first"},                      // names are case-insensitive; the first match wins
        {"exact", QString(254, u'x')}, {"long", QString(254, u'y')}, {"quoted", QString(254, u'y')},
    };
    for (const auto& row : rows)
        EXPECT_EQ(iniValueFromText(text, kSection, row.key, "DEF"), row.expected) << row.key;
    EXPECT_EQ(iniValueFromText(text, "variables_SETUP", "Cycle_Phrase", "x"), "first");
    EXPECT_EQ(iniValueFromText("[ Variables_Setup ]\ncycle_phrase=1\n", kSection, "cycle_phrase", "x"), "1");
    EXPECT_EQ(iniValueFromText(text, kSection, "absent", longer), QString(254, u'y')) << "defaults are cut too";
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
    EXPECT_EQ(ReadIniValue(kSection, "nom_hotel", mixed, "x"), QStringLiteral("Café")) << "nor a legacy byte after it";
}
