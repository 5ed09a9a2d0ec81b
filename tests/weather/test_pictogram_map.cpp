#include "weather/pictogram_map.h"

#include <QList>
#include <QPair>

#include <gtest/gtest.h>

using namespace zepril;

TEST(PictogramMap, EachPictogramHasItsWordsAndAnythingElseIsMist)
{
    const QList<QPair<QString, int>> table = {
        {"soleil", 1},      {"voile", 2},     {"nuageux", 2},      {"couvert", 2},    {"brouillard", 2},
        {"brouillardgivrant", 2},             {"pluiefaible", 3},  {"pluiemoderer", 3}, {"averse", 3},
        {"pluieforte", 3},  {"orageloc", 4},  {"oragefort", 4},
        // Exact words only; nothing ever maps to the night picture.
        {"", 0},            {"Soleil", 0},   {" soleil", 0},           {"soleil\n", 0},     {"brouillard givrant", 0},
        {"nuit", 0},        {"5", 0},
    };
    for (const auto& [word, pictogram] : table)
        EXPECT_EQ(pictogramForWord(word), pictogram) << '"' << word.toStdString() << '"';
}
