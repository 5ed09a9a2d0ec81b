#include "presentation/banner_layout.h"

#include <gtest/gtest.h>

using namespace zepril;

namespace {
BannerLayoutInput screenOf(double width, double height, double ratio)
{
    BannerLayoutInput in;
    in.screenWidth = width;
    in.screenHeight = height;
    in.twipsPerPixel = 15;
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
    // Phrase and logo centred vertically; the reference starts where the logo ends
    // counted from the right edge.
    EXPECT_EQ(l.reference, (TwipsRect{18000, 270, 19200, 900}));
    EXPECT_EQ(l.logo, (TwipsRect{0, 120, 1200, 1200}));
    EXPECT_EQ(l.phrase, l.reference);
}

TEST(BannerLayout, HeightIsWholePixelsAndTopFollowsIt)
{
    // 10800 / 7 = 1542.86 twips = 102.86 px: the window is 103 px high and sits on
    // the bottom edge with the height it really has.
    const BannerLayout l = layoutBanner(screenOf(19200, 10800, 7));
    EXPECT_DOUBLE_EQ(l.window.height, 103 * 15);
    EXPECT_DOUBLE_EQ(l.window.top + l.window.height, 10800);

    // At 120 DPI a pixel is 12 twips.
    BannerLayoutInput in = screenOf(1280 * 12, 720 * 12, 6);
    in.twipsPerPixel = twipsPerPixel(120);
    const BannerLayout hi = layoutBanner(in);
    EXPECT_DOUBLE_EQ(hi.window.height, 120 * 12);
    EXPECT_DOUBLE_EQ(hi.window.top, 600 * 12);
}

TEST(BannerLayout, DegenerateRatiosNeverDivideByZero)
{
    const BannerLayout zero = layoutBanner(screenOf(19200, 10800, 0));
    EXPECT_DOUBLE_EQ(zero.window.height, 1800); // the default ratio 6
    const BannerLayout huge = layoutBanner(screenOf(19200, 10800, 1e9));
    EXPECT_DOUBLE_EQ(huge.window.height, 15); // never less than one pixel
    EXPECT_DOUBLE_EQ(huge.window.top, 10785);
}

TEST(BannerLayout, SettingsThatAreNoPositiveNumberTakeTheirDefault)
{
    const BannerSettings ok = resolveBannerSettings("30", "24", "8");
    EXPECT_DOUBLE_EQ(ok.scrollStep, 30);
    EXPECT_DOUBLE_EQ(ok.fontPoints, 24);
    EXPECT_DOUBLE_EQ(ok.heightRatio, 8);
    EXPECT_DOUBLE_EQ(resolveBannerSettings("7.5", "40", "6").scrollStep, 7.5);

    for (const QString bad : {"0", "-10", "abc", "", "nan", "inf"}) {
        SCOPED_TRACE(bad.toStdString());
        const BannerSettings s = resolveBannerSettings(bad, bad, bad);
        EXPECT_DOUBLE_EQ(s.scrollStep, 10);
        EXPECT_DOUBLE_EQ(s.fontPoints, 40);
        EXPECT_DOUBLE_EQ(s.heightRatio, 6);
    }
}

TEST(BannerLayout, PassEndsOnlyStrictlyBeyondMinusTheWidth)
{
    EXPECT_FALSE(phraseHasLeft(-6000, 6000));
    EXPECT_TRUE(phraseHasLeft(-6000.5, 6000));
    EXPECT_FALSE(phraseHasLeft(0, 6000));
    EXPECT_TRUE(phraseHasLeft(-1, 0)); // an empty phrase leaves as soon as it passes the edge
    EXPECT_DOUBLE_EQ(twipsPerPixel(96), 15);
}
