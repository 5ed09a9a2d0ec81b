#include "weather/pictograms.h"

#include <QColor>
#include <QSet>

#include <gtest/gtest.h>

using namespace zepril;

namespace {
// Opaque pixels of one rough colour family, to tell the pictures apart without restating them.
int count(const QImage& image, bool (*matches)(QColor))
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            n += c.alpha() == 255 && matches(c);
        }
    return n;
}
bool yellow(QColor c) { return c.red() > 200 && c.green() > 150 && c.blue() < 140; }
bool rain(QColor c) { return c.blue() > 150 && c.red() < 80; }
// The strip keys this colour out; a pictogram must never hold it.
bool keyColour(QColor c) { return c.red() == 0 && c.green() == 255 && c.blue() == 255; }
bool opaque(QColor) { return true; }
}

TEST(StockPictograms, SixDistinctPicturesOnATransparentGroundThatTheColourKeyLeavesWhole)
{
    QSet<QByteArray> seen;
    for (int i = 0; i < kPictogramCount; ++i) {
        SCOPED_TRACE(i);
        const QImage image = stockPictogramImage(i).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(79, 80));
        int halfTransparent = 0; // a partly transparent rim would blend with the key colour into a fringe
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                halfTransparent += qAlpha(image.pixel(x, y)) != 0 && qAlpha(image.pixel(x, y)) != 255;
        EXPECT_EQ(halfTransparent, 0);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_GT(count(image, opaque), 79 * 80 / 8);
        EXPECT_LT(count(image, opaque), 79 * 80 * 3 / 4);
        EXPECT_EQ(count(image, keyColour), 0);
        seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(seen.size(), kPictogramCount);
    EXPECT_TRUE(stockPictogram(1).hasAlphaChannel());
    EXPECT_TRUE(stockPictogram(kPictogramCount).isNull());

    // Mist is grey, the sun is the most yellow, rain falls from m3 and m4, the storm
    // has its yellow bolt, the moon no rain.
    const auto image = [](int i) { return stockPictogramImage(i).convertToFormat(QImage::Format_ARGB32); };
    EXPECT_EQ(count(image(0), yellow) + count(image(0), rain), 0);
    EXPECT_GT(count(image(1), yellow), count(image(2), yellow));
    EXPECT_GT(count(image(2), yellow), 300);
    EXPECT_GT(count(image(3), rain), 100);
    EXPECT_EQ(count(image(3), yellow), 0);
    EXPECT_GT(count(image(4), rain), 30);
    EXPECT_GT(count(image(4), yellow), 100);
    EXPECT_EQ(count(image(5), rain), 0);
    EXPECT_GT(count(image(5), yellow), 800);
}
