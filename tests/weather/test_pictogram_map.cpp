#include "weather/pictogram_map.h"
#include "weather/pictograms.h"

#include <QColor>
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

using namespace zepril;

TEST(PictogramMap, EveryWordOfTheTableHasItsPictogramAndAnythingElseIsMist)
{
    const QList<QPair<QString, int>> table = {
        {"soleil", 1},       {"voile", 2},   {"nuageux", 2},    {"couvert", 2},  {"brouillard", 2},
        {"brouillardgivrant", 2},            {"pluiefaible", 3}, {"pluiemoderer", 3}, {"averse", 3},
        {"pluieforte", 3},   {"orageloc", 4}, {"oragefort", 4},
        // Exact words only; nothing ever maps to the night picture.
        {"", 0},             {"Soleil", 0},  {" soleil", 0},    {"soleil ", 0},  {"SOLEIL", 0},
        {"soleil\n", 0},     {"brouillard givrant", 0},         {"pluie", 0},    {"orage", 0},
        {"nuit", 0},         {"m5", 0},      {"5", 0},
    };
    for (const auto& [word, pictogram] : table)
        EXPECT_EQ(pictogramForWord(word), pictogram) << '"' << word.toStdString() << '"';
}

TEST(StockPictograms, SixDistinctPicturesOfTheRightSizeOnATransparentGround)
{
    QSet<QByteArray> seen;
    for (int i = 0; i < kPictogramCount; ++i) {
        SCOPED_TRACE(i);
        const QImage image = stockPictogramImage(i).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(79, 80));
        int opaque = 0, keyColoured = 0, halfTransparent = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                opaque += qAlpha(p) == 255;
                // A partly transparent rim would blend with the key colour into a fringe.
                halfTransparent += qAlpha(p) != 0 && qAlpha(p) != 255;
                // The strip keys this colour out: a pictogram must never hold it.
                keyColoured += qAlpha(p) != 0 && qRed(p) == 0 && qGreen(p) == 255 && qBlue(p) == 255;
            }
        }
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(78, 79)), 0);
        EXPECT_GT(opaque, 79 * 80 / 8);
        EXPECT_LT(opaque, 79 * 80 * 3 / 4);
        EXPECT_EQ(keyColoured, 0);
        EXPECT_EQ(halfTransparent, 0);
        seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        EXPECT_EQ(stockPictogram(i).size(), QSize(79, 80));
        EXPECT_TRUE(stockPictogram(i).hasAlphaChannel());
    }
    EXPECT_EQ(seen.size(), kPictogramCount);
    EXPECT_TRUE(stockPictogram(-1).isNull());
    EXPECT_TRUE(stockPictogram(kPictogramCount).isNull());
}

TEST(StockPictograms, EachIndexHoldsThePictureItStandsFor)
{
    // Pixels of one rough colour family, to tell the pictures apart without restating them.
    const auto count = [](int index, bool (*matches)(QColor)) {
        const QImage image = stockPictogramImage(index).convertToFormat(QImage::Format_ARGB32);
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = QColor::fromRgba(image.pixel(x, y));
                n += c.alpha() == 255 && matches(c);
            }
        return n;
    };
    const auto yellow = [](QColor c) { return c.red() > 200 && c.green() > 150 && c.blue() < 140; };
    const auto rain = [](QColor c) { return c.blue() > 150 && c.red() < 80; };
    const auto darkGrey = [](QColor c) { return c.value() < 120 && c.saturation() < 80; };

    EXPECT_EQ(count(0, yellow), 0); // mist: grey bands only
    EXPECT_EQ(count(0, rain), 0);
    EXPECT_GT(count(1, yellow), 1000); // sun
    EXPECT_GT(count(2, yellow), 300);  // sun partly hidden by a light cloud
    EXPECT_LT(count(2, yellow), count(1, yellow));
    EXPECT_EQ(count(2, darkGrey), 0);
    EXPECT_GT(count(3, darkGrey), 800); // dark cloud with rain, no lightning
    EXPECT_GT(count(3, rain), 100);
    EXPECT_EQ(count(3, yellow), 0);
    EXPECT_GT(count(4, darkGrey), 800); // storm: rain and a yellow bolt
    EXPECT_GT(count(4, rain), 30);
    EXPECT_GT(count(4, yellow), 100);
    EXPECT_EQ(count(5, rain), 0); // moon
    EXPECT_GT(count(5, yellow), 800);
}
