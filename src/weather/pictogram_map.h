#pragma once
// Which of the six stock pictograms stands for a weather word of the forecast.
#include <QString>

namespace zepril {

class WeatherDisplay;

inline constexpr int kMistPictogram = 0;  // any word the table does not know
inline constexpr int kSunPictogram = 1;   // also what the strip shows before the first refresh
inline constexpr int kNightPictogram = 5; // evening and night; never chosen from a word

// Exact, whole-word, case-sensitive lookup without trimming: " soleil" is not "soleil".
int pictogramForWord(const QString& word);

// Shows the pictogram of the word; visibility is left as it is.
void showPictogramForWord(WeatherDisplay& display, const QString& word);

}
