#include "weather/pictogram_map.h"

#include <gtest/gtest.h>

TEST(PictogramMap, EachPictogramHasItsWordsAndAnythingElseIsMist)
{
    // Exact words only; nothing ever maps to the night picture.
    const std::pair<const char*, int> table[] = {
        {"soleil", 1}, {"voile", 2}, {"nuageux", 2}, {"couvert", 2}, {"brouillard", 2}, {"brouillardgivrant", 2},
        {"pluiefaible", 3}, {"pluiemoderer", 3}, {"averse", 3}, {"pluieforte", 3}, {"orageloc", 4}, {"oragefort", 4},
        {"", 0}, {"Soleil", 0}, {" soleil", 0}, {"soleil\n", 0}, {"brouillard givrant", 0}, {"nuit", 0}, {"5", 0}};
    for (const auto& [word, pictogram] : table)
        EXPECT_EQ(zepril::pictogramForWord(QString::fromUtf8(word)), pictogram) << '"' << word << '"';
}
