#include "presentation/banner_layout.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(BannerLayout, AStripOfWholePixelsAlongTheBottomAtFullWidth)
{
    const auto layout = [](double height, double ratio, double tpp = 15) {
        return layoutBanner({.screenWidth = 19200, .screenHeight = height, .twipsPerPixel = tpp, .heightRatio = ratio,
                             .referenceHeight = 900, .logoWidth = 1200, .logoHeight = 1200});
    };
    const BannerLayout l = layout(11520, 8);
    EXPECT_EQ(l.window, (TwipsRect{0, 10080, 19200, 1440}));
    EXPECT_EQ(l.background, (TwipsRect{0, 0, 19200, 1440}));
    // The reference starts where the logo ends, counted from the right edge.
    EXPECT_EQ(l.reference, (TwipsRect{18000, 270, 19200, 900}));
    EXPECT_EQ(l.logo, (TwipsRect{0, 120, 1200, 1200}));
    EXPECT_EQ(l.phrase, l.reference);

    struct Row { double height, ratio, tpp, expectedHeight; };
    const Row rows[] = {
        {10800, 7, 15, 103 * 15}, // 102.86 px rounds to 103
        {720 * 12, 6, twipsPerPixel(120), 120 * 12},
        {10800, 0, 15, 1800}, // a zero ratio takes the default 6
        {10800, 1e9, 15, 15}, // never less than one pixel
    };
    for (const Row& r : rows) {
        const TwipsRect window = layout(r.height, r.ratio, r.tpp).window;
        EXPECT_DOUBLE_EQ(window.height, r.expectedHeight) << r.height << " / " << r.ratio;
        EXPECT_DOUBLE_EQ(window.top + window.height, r.height) << r.height << " / " << r.ratio;
    }
}

TEST(BannerLayout, SettingsThatAreNotPositiveNumbersTakeTheDefaults)
{
    const auto values = [](const BannerSettings& s) { return std::tuple(s.scrollStep, s.fontPoints, s.heightRatio); };
    EXPECT_EQ(values(resolveBannerSettings("fast", "-12", "0")), values(BannerSettings{}));
    EXPECT_EQ(values(resolveBannerSettings("12.5", "20", "4")), std::tuple(12.5, 20.0, 4.0));
}

TEST(BannerLayout, LongPhrasesAreCutForTheScreenAndMoreForTheLog)
{
    const QString ellipsis(QChar(0x2026));
    // A character outside the basic plane is cut whole, never halved.
    const QString straddling = QString(kMaxShownPhraseChars - 1, u'x') + QString::fromUtf8("\xF0\x9F\x8F\xA8") + u'z';
    EXPECT_EQ(phraseForDisplay(straddling), QString(kMaxShownPhraseChars - 1, u'x') + ellipsis);
    const QString quoted = QString(kMaxLoggedPhraseChars, u'q');
    EXPECT_EQ(phraseForLog(quoted), quoted);
    EXPECT_EQ(phraseForLog(quoted.repeated(10'000)), quoted + ellipsis + " (1000000 characters)");
}
