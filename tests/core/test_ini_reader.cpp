#include "core/ini_reader.h"

#include "core_test.h"

namespace {
const QString kSection = QStringLiteral("Variables_Setup");
}

TEST(IniReader, MissingFileSectionOrKeyGiveTheDefaultAndValuesAreTrimmedUnquotedAndCut)
{
    TempTree tree;
    EXPECT_EQ(iniValue(kSection, "cycle_phrase", tree.path("cfg/config.ini"), "30"), "30");
    EXPECT_EQ(iniValue(kSection, "cycle_phrase", tree.mkdir("cfg"), "30"), "30") << "a directory is no file";

    // CR alone, LF alone and CR LF end lines; Windows-1252 letters are read.
    const QString ini = tree.write("cfg/config.ini", "[Autre]\rcycle_phrase=12\n[Variables_Setup]\r\n"
                                                     "nom_hotel=H\xF4tel \x80uro\nlast=1");
    EXPECT_EQ(iniValue("Absente", "cycle_phrase", ini, "30"), "30");
    EXPECT_EQ(iniValue(kSection, "cycle_phrase", ini, "30"), "30") << "a key of another section must not leak";
    EXPECT_EQ(iniValue(kSection, "nom_hotel", ini, "x"), QStringLiteral("Hôtel €uro"));
    EXPECT_EQ(iniValue(kSection, "last", ini, "x"), "1");
    const QString marked = tree.write("utf8.ini", "\xEF\xBB\xBF[Variables_Setup]\r\nnom_hotel=Caf\xE9\r\n");
    EXPECT_EQ(iniValue(kSection, "nom_hotel", marked, "x"), QStringLiteral("Café"))
        << "a byte-order mark must not hide the first section";

    const QString longer = QString(254, u'y') + QStringLiteral("TAIL");
    const QString text = QStringLiteral("; k0=1\n[VARIABLES_setup]\n;k0=2\n   ; k1=3\na line without equals sign\n"
                                        "empty=\nblank =   \nquotes=\"\"\n  nom_hotel   =   grand hotel  \n"
                                        "a=\"  quoted  \"\nb='single'\nc=\"mismatched'\nd=\"\ne=\"\"twice\"\"\nf=x=y\n"
                                        "CYCLE_Phrase=first\ncycle_phrase=second\nlong=")
        + longer + "\nquoted=\"" + longer + "\"\n" + "[ Variables_Setup ]\ncycle_phrase=again\nlate=1\n";
    const std::pair<const char*, QString> rows[] = {
        {"k0", "DEF"}, {"k1", "DEF"}, {";k0", "DEF"}, // comments and stray lines are ignored
        {"empty", ""}, {"blank", ""}, {"quotes", ""},  // empty is a value, not the default
        {"nom_hotel", "grand hotel"},                   // blanks trimmed, one pair of quotes unwrapped
        {"a", "  quoted  "}, {"b", "single"}, {"c", "\"mismatched'"}, {"d", "\""}, {"e", "\"twice\""},
        {"f", "x=y"},                                   // only the first '=' separates
        {"cycle_phrase", "first"},                      // names are case-insensitive; the first match wins
        {"long", QString(254, u'y')}, {"quoted", QString(254, u'y')},
        {"late", "1"},                                  // a section written twice is one section
    };
    for (const auto& [key, expected] : rows)
        EXPECT_EQ(iniValueFromText(text, kSection, key, "DEF"), expected) << key;
    EXPECT_EQ(iniValueFromText(text, kSection, "absent", longer), QString(254, u'y')) << "defaults are cut too";
    EXPECT_EQ(iniEntries(text, kSection).value(11).key, "CYCLE_Phrase") << "keys as written";

}
