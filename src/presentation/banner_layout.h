#pragma once
// The banner's geometry as plain arithmetic in twips (1/1440 inch), from the screen
// size and the settings, so that it can be checked without a screen.
#include <QString>

namespace zepril {

inline constexpr double kTwipsPerInch = 1440.0;

// Twips in one device-independent pixel for a logical DPI (15 at 96 DPI).
double twipsPerPixel(double logicalDpi);

struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    bool operator==(const TwipsRect&) const = default;
};

// The three banner settings as numbers. A text that is not a positive number would
// freeze the banner in a pass (step) or divide by zero (ratio); it gives way to the
// key's default, and the substitution is logged.
struct BannerSettings {
    double scrollStep = 10; // vitesse_affphrase, twips per tick
    double fontPoints = 40; // taille_police
    double heightRatio = 6; // ratio_taillebandeau
};
BannerSettings resolveBannerSettings(const QString& scrollStepText, const QString& fontPointsText,
                                     const QString& heightRatioText);

struct BannerLayoutInput {
    double screenWidth = 0;  // twips
    double screenHeight = 0; // twips
    double twipsPerPixel = 15;
    double heightRatio = 6;
    double referenceHeight = 0; // the reference label's height for the phrase font
    double logoWidth = 0;       // the logo box before its picture is loaded
    double logoHeight = 0;
};

struct BannerLayout {
    TwipsRect window;     // the banner window on the screen
    TwipsRect background; // the background picture
    TwipsRect reference;  // the hidden label the phrase is measured and started from
    TwipsRect logo;       // the logo box
    TwipsRect phrase;     // the phrase box that is seen
};

// The window's load: full width along the bottom edge, phrase and logo centred
// vertically. A window is made of whole pixels, so its height is the nearest whole
// pixel to screen height / ratio (at least one) and the top follows from that height.
BannerLayout layoutBanner(const BannerLayoutInput& in);

// The longest phrase the banner shows whole. A hotel's text is one line, a few hundred
// characters at most; 2,000 leaves room for any of them while keeping a pass bounded
// (about 25 minutes at 40 points and the default step) and the text's width far below
// the range the toolkit's text layout can add up, so the text is laid out in
// milliseconds on every pass.
inline constexpr qsizetype kMaxShownPhraseChars = 2000;
// How much of a phrase a log line quotes.
inline constexpr qsizetype kMaxLoggedPhraseChars = 100;

// The phrase as the banner shows it: whole up to kMaxShownPhraseChars, beyond that
// cut there (never inside a surrogate pair) and ended with an ellipsis.
QString phraseForDisplay(const QString& phrase);
// The phrase as a log line quotes it: at most its first kMaxLoggedPhraseChars
// characters; a longer one ends with an ellipsis and its full length.
QString phraseForLog(const QString& phrase);

// Where a pass ends: the phrase box has wholly left the banner on the left side.
// A box whose left is exactly minus its width still touches the edge.
inline bool phraseHasLeft(double left, double width) { return left < -width; }

}
