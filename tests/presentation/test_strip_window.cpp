#include "presentation/strip_window.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <limits>

using namespace zepril;

TEST(StripWindow, TwipsRoundToPixelsAndNeverWrapRound)
{
    EXPECT_EQ(twipsToPixels(TwipsRect{300, 1290, 19200, 7.4}, 15), QRect(20, 86, 1280, 0));
    EXPECT_EQ(twipsToPixels(-22.6, 15), -2);
    // A width far beyond any screen stays a large positive size, never a negative one.
    const std::pair<double, int> cases[] = {{1e12, QWIDGETSIZE_MAX}, {-1e12, -QWIDGETSIZE_MAX},
                                            {std::numeric_limits<double>::infinity(), QWIDGETSIZE_MAX},
                                            {std::numeric_limits<double>::quiet_NaN(), 0}};
    for (const auto& [twips, pixels] : cases)
        EXPECT_EQ(twipsToPixels(twips, 15), pixels) << twips;
}
