// The download's progress line.
#include "sync/progress_text.h"

#include <gtest/gtest.h>

using zepril::megabytesText;
using zepril::progressText;

namespace {
const QLocale kFrench(QLocale::French, QLocale::France);
const QLocale kC = QLocale::c();
constexpr double kMo = 1024.0 * 1024.0;
}

TEST(ProgressText, HasTheFixedShapeWithTheLocaleSeparator)
{
    EXPECT_EQ(progressText(1048576, 1048576, kC), "100 %  -  1 Mo / 1 Mo");
    EXPECT_EQ(progressText(1572864, 3145728, kFrench), "50 %  -  1,5 Mo / 3 Mo");
    EXPECT_EQ(progressText(1572864, 3145728, kC), "50 %  -  1.5 Mo / 3 Mo");
    EXPECT_EQ(progressText(0, 3145728, kFrench), "0 %  -  0 Mo / 3 Mo");
}

TEST(ProgressText, RoundsHalfToEvenAndWritesTheShortestForm)
{
    // 131072 bytes are 0.125 Mo and 393216 bytes 0.375 Mo: exact ties.
    EXPECT_EQ(megabytesText(131072, kC), "0.12");
    EXPECT_EQ(megabytesText(393216, kC), "0.38");
    EXPECT_EQ(megabytesText(0.1 * kMo, kFrench), "0,1");
    EXPECT_EQ(megabytesText(2 * kMo + 10, kFrench), "2");
    EXPECT_EQ(megabytesText(1.999 * kMo, kFrench), "2");
    // No thousands separator even where the locale groups digits.
    EXPECT_EQ(megabytesText(5120.25 * kMo, kFrench), "5120,25");
    // Percent ties: 0.5 % goes to 0, 1.5 % and 2.5 % to 2.
    EXPECT_TRUE(progressText(1, 200, kC).startsWith("0 %"));
    EXPECT_TRUE(progressText(3, 200, kC).startsWith("2 %"));
    EXPECT_TRUE(progressText(5, 200, kC).startsWith("2 %"));
    EXPECT_TRUE(progressText(2, 3, kC).startsWith("67 %"));
}

TEST(ProgressText, WithoutAnnouncedLengthShowsTheMegabytesReceived)
{
    EXPECT_EQ(progressText(1572864, 0, kFrench), "1,5 Mo");
    EXPECT_EQ(progressText(0, 0, kFrench), "0 Mo");
}
