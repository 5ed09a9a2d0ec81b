#include "presentation/banner_layout.h"

#include "core/logging.h"
#include "core/settings.h"

#include <algorithm>
#include <cmath>

namespace zepril {

double twipsPerPixel(double logicalDpi) { return logicalDpi > 0 ? kTwipsPerInch / logicalDpi : 15.0; }

static double positiveOr(const QString& text, double fallback, const char* key)
{
    const auto value = parseSettingNumber(text);
    if (value && *value > 0)
        return *value;
    qCWarning(lcBanner).nospace() << key << " \"" << text << "\" is not a positive number; using " << fallback;
    return fallback;
}

BannerSettings resolveBannerSettings(const QString& scrollStepText, const QString& fontPointsText,
                                     const QString& heightRatioText)
{
    const BannerSettings defaults;
    BannerSettings s;
    s.scrollStep = positiveOr(scrollStepText, defaults.scrollStep, "vitesse_affphrase");
    s.fontPoints = positiveOr(fontPointsText, defaults.fontPoints, "taille_police");
    s.heightRatio = positiveOr(heightRatioText, defaults.heightRatio, "ratio_taillebandeau");
    return s;
}

namespace {
QString cutAt(const QString& text, qsizetype length)
{
    if (length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}
}

QString phraseForDisplay(const QString& phrase)
{
    if (phrase.size() <= kMaxShownPhraseChars)
        return phrase;
    return cutAt(phrase, kMaxShownPhraseChars) + QChar(0x2026);
}

QString phraseForLog(const QString& phrase)
{
    if (phrase.size() <= kMaxLoggedPhraseChars)
        return phrase;
    return cutAt(phrase, kMaxLoggedPhraseChars) + QStringLiteral("\u2026 (%1 characters)").arg(phrase.size());
}

BannerLayout layoutBanner(const BannerLayoutInput& in)
{
    const double tpp = in.twipsPerPixel > 0 ? in.twipsPerPixel : 15.0;
    const double ratio = in.heightRatio > 0 ? in.heightRatio : BannerSettings{}.heightRatio;
    BannerLayout l;

    const double wantedHeight = in.screenHeight / ratio;
    const double heightPx = std::max(1.0, std::round(wantedHeight / tpp));
    l.window.width = in.screenWidth;
    l.window.height = heightPx * tpp;
    l.window.top = in.screenHeight - l.window.height;
    l.window.left = 0;

    l.background = {0, 0, in.screenWidth, l.window.height};

    l.reference.width = in.screenWidth;
    l.reference.height = in.referenceHeight;
    l.reference.top = l.window.height / 2 - in.referenceHeight / 2;

    l.logo.width = in.logoWidth;
    l.logo.height = in.logoHeight;
    l.logo.left = 0;
    l.logo.top = l.window.height / 2 - in.logoHeight / 2;

    l.reference.left = in.screenWidth - in.logoWidth;
    l.phrase = l.reference;
    return l;
}

}
