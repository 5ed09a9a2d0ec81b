// The download's progress line: rounding, shortest form and the locale's separator.
#include "sync/progress_text.h"

#include <gtest/gtest.h>

using namespace zepril;

TEST(ProgressText, ShapeRoundingHalfToEvenShortestFormAndLocaleSeparator)
{
    const QLocale fr(QLocale::French, QLocale::France);
    const QLocale c = QLocale::c();
    constexpr double kMo = 1024.0 * 1024.0;
    struct Row {
        double received, announced;
        QLocale locale;
        const char* expected;
    };
    const Row rows[] = {
        {1572864, 3145728, fr, "50 %  -  1,5 Mo / 3 Mo"},
        {1572864, 3145728, c, "50 %  -  1.5 Mo / 3 Mo"},
        {1572864, 0, fr, "1,5 Mo"}, // no announced length
        {1, 200, c, "0 %  -  0 Mo / 0 Mo"}, // percent ties: 0.5, 1.5 and 2.5 go to even
        {3, 200, c, "2 %  -  0 Mo / 0 Mo"},
        {5, 200, c, "2 %  -  0 Mo / 0 Mo"},
        {131072, 0, c, "0.12 Mo"}, // 0.125 and 0.375 Mo are exact ties
        {393216, 0, c, "0.38 Mo"},
        {1.999 * kMo, 0, fr, "2 Mo"},
        {5120.25 * kMo, 0, fr, "5120,25 Mo"}, // never grouped
    };
    for (const Row& row : rows)
        EXPECT_EQ(progressText(row.received, row.announced, row.locale), row.expected) << row.received;
}
