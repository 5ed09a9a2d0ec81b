#include "weather/pictograms.h"

#include <QSet>

#include <gtest/gtest.h>

#include <span>

using namespace zepril;

TEST(StockPictograms, SixDistinctPicturesOnATransparentGroundThatTheColourKeyLeavesWhole)
{
    QSet<QByteArray> seen;
    for (int i = 0; i < kPictogramCount; ++i) {
        SCOPED_TRACE(i);
        const QImage image = stockPictogramImage(i).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(79, 80));
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
        // A partly transparent rim would blend with the key colour into a fringe; the key colour itself, a hole.
        int partlyTransparent = 0, keyColour = 0, opaque = 0;
        for (const QRgb c : std::span(pixels, 79 * 80)) {
            partlyTransparent += qAlpha(c) != 0 && qAlpha(c) != 255;
            keyColour += c == qRgb(0, 255, 255);
            opaque += qAlpha(c) == 255;
        }
        EXPECT_EQ(partlyTransparent, 0);
        EXPECT_EQ(keyColour, 0);
        EXPECT_EQ(qAlpha(pixels[0]), 0);
        EXPECT_GT(opaque, 79 * 80 / 8);
        EXPECT_LT(opaque, 79 * 80 * 3 / 4);
        seen.insert(QByteArray(reinterpret_cast<const char*>(pixels), image.sizeInBytes()));
    }
    EXPECT_EQ(seen.size(), kPictogramCount);
    EXPECT_TRUE(stockPictogram(kPictogramCount).isNull());
}
