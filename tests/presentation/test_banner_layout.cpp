#include "presentation/banner_layout.h"

#include <gtest/gtest.h>

using namespace zepril;

namespace {
BannerLayoutInput screenOf(double width, double height, double ratio, double tpp = 15)
{
    BannerLayoutInput in;
    in.screenWidth = width;
    in.screenHeight = height;
    in.twipsPerPixel = tpp;
    in.heightRatio = ratio;
    in.referenceHeight = 900;
    in.logoWidth = 1200;
    in.logoHeight = 1200;
    return in;
}
}

TEST(BannerLayout, StripAlongTheBottomAtFullWidth)
{
    const BannerLayout l = layoutBanner(screenOf(19200, 11520, 8));
    EXPECT_EQ(l.window, (TwipsRect{0, 10080, 19200, 1440}));
    EXPECT_EQ(l.background, (TwipsRect{0, 0, 19200, 1440}));
    // The reference starts where the logo ends, counted from the right edge.
    EXPECT_EQ(l.reference, (TwipsRect{18000, 270, 19200, 900}));
    EXPECT_EQ(l.logo, (TwipsRect{0, 120, 1200, 1200}));
    EXPECT_EQ(l.phrase, l.reference);
}

TEST(BannerLayout, HeightIsWholePixelsAndTheTopFollowsIt)
{
    struct Row { double height, ratio, tpp, expectedHeight; };
    const Row rows[] = {
        {10800, 7, 15, 103 * 15},              // 102.86 px rounds to 103
        {720 * 12, 6, twipsPerPixel(120), 120 * 12},
        {10800, 0, 15, 1800},                  // a zero ratio takes the default 6
        {10800, 1e9, 15, 15},                  // never less than one pixel
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.height << " / " << r.ratio);
        const BannerLayout l = layoutBanner(screenOf(19200, r.height, r.ratio, r.tpp));
        EXPECT_DOUBLE_EQ(l.window.height, r.expectedHeight);
        EXPECT_DOUBLE_EQ(l.window.top + l.window.height, r.height);
    }
}

TEST(BannerLayout, SettingsThatAreNoPositiveNumberTakeTheirDefault)
{
    const BannerSettings ok = resolveBannerSettings("7.5", "24", "8");
    EXPECT_DOUBLE_EQ(ok.scrollStep, 7.5);
    EXPECT_DOUBLE_EQ(ok.fontPoints, 24);
    EXPECT_DOUBLE_EQ(ok.heightRatio, 8);
    for (const QString bad : {"0", "-10", "abc", "", "nan", "inf"}) {
        SCOPED_TRACE(bad.toStdString());
        const BannerSettings s = resolveBannerSettings(bad, bad, bad);
        EXPECT_DOUBLE_EQ(s.scrollStep, 10);
        EXPECT_DOUBLE_EQ(s.fontPoints, 40);
        EXPECT_DOUBLE_EQ(s.heightRatio, 6);
    }
}

TEST(BannerLayout, LongPhrasesAreCutForTheScreenAndMoreForTheLog)
{
    const QString ellipsis(QChar(0x2026));
    const QString shown = QString(kMaxShownPhraseChars, u'x');
    EXPECT_EQ(phraseForDisplay(shown), shown);
    EXPECT_EQ(phraseForDisplay(shown + u'y'), shown + ellipsis);
    // A character outside the basic plane is cut whole, never halved.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x8F\xA8");
    const QString straddling = QString(kMaxShownPhraseChars - 1, u'x') + emoji + u'z';
    EXPECT_EQ(phraseForDisplay(straddling), QString(kMaxShownPhraseChars - 1, u'x') + ellipsis);

    const QString quoted = QString(kMaxLoggedPhraseChars, u'q');
    EXPECT_EQ(phraseForLog(quoted), quoted);
    EXPECT_EQ(phraseForLog(quoted.repeated(10'000)), quoted + ellipsis + " (1000000 characters)");
}
