// The download's progress line: rounding, shortest form and the locale's separator.
#include "sync/progress_text.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(ProgressText, ShapeRoundingHalfToEvenShortestFormAndLocaleSeparator)
{
    const QLocale fr(QLocale::French, QLocale::France);
    const QLocale c = QLocale::c();
    EXPECT_EQ(progressText(1572864, 3145728, fr), "50 %  -  1,5 Mo / 3 Mo");
    EXPECT_EQ(progressText(1572864, 0, fr), "1,5 Mo"); // no announced length
    // Ties go to even: percents 0.5 and 2.5, megabytes 0.125 and 0.375.
    EXPECT_EQ(progressText(1, 200, c), "0 %  -  0 Mo / 0 Mo");
    EXPECT_EQ(progressText(5, 200, c), "2 %  -  0 Mo / 0 Mo");
    EXPECT_EQ(progressText(3, 200, c), "2 %  -  0 Mo / 0 Mo");
    EXPECT_EQ(progressText(2, 3, c), "67 %  -  0 Mo / 0 Mo");
    EXPECT_EQ(progressText(131072, 0, c), "0.12 Mo");
    EXPECT_EQ(progressText(393216, 0, c), "0.38 Mo");
    EXPECT_EQ(progressText(1.999 * 1048576, 0, fr), "2 Mo");
    EXPECT_EQ(progressText(5120.25 * 1048576, 0, fr), "5120,25 Mo"); // never grouped
}
