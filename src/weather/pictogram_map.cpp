#include "weather/pictogram_map.h"

#include "weather/weather_display.h"

#include <array>

namespace zepril {

namespace {

struct WordPictogram {
    const char16_t* word;
    int pictogram;
};

// The service's vocabulary; a word it adds later falls back to mist until listed here.
constexpr std::array<WordPictogram, 12> kWordTable{{
    {u"soleil", 1},
    {u"voile", 2},
    {u"nuageux", 2},
    {u"couvert", 2},
    {u"brouillard", 2},
    {u"brouillardgivrant", 2},
    {u"pluiefaible", 3},
    {u"pluiemoderer", 3},
    {u"averse", 3},
    {u"pluieforte", 3},
    {u"orageloc", 4},
    {u"oragefort", 4},
}};

}

int pictogramForWord(const QString& word)
{
    for (const WordPictogram& row : kWordTable) {
        if (word == QStringView(row.word))
            return row.pictogram;
    }
    return kMistPictogram;
}

void showPictogramForWord(WeatherDisplay& display, const QString& word)
{
    display.setPictogram(pictogramForWord(word));
}

}
