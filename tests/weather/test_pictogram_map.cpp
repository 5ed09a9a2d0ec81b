#include "recording_display.h"
#include "weather/pictogram_map.h"
#include "weather/pictograms.h"

#include <QColor>
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

using namespace zepril;

TEST(PictogramMap, EveryWordOfTheTableHasItsPictogram)
{
    const QList<QPair<QString, int>> table = {
        {"soleil", 1},      {"voile", 2},        {"nuageux", 2},      {"couvert", 2},
        {"brouillard", 2},  {"brouillardgivrant", 2},                 {"pluiefaible", 3},
        {"pluiemoderer", 3}, {"averse", 3},      {"pluieforte", 3},   {"orageloc", 4},
        {"oragefort", 4},
    };
    for (const auto& [word, pictogram] : table)
        EXPECT_EQ(pictogramForWord(word), pictogram) << word.toStdString();
}

TEST(PictogramMap, AnythingElseIsMistAndNothingIsNight)
{
    const QStringList others = {"",         "Soleil",  " soleil", "soleil ", "SOLEIL", "soleil\n",
                                "brouillard givrant",  "pluie",   "orage",   "nuit",   "m5", "5"};
    for (const QString& word : others)
        EXPECT_EQ(pictogramForWord(word), kMistPictogram) << '"' << word.toStdString() << '"';
}

TEST(PictogramMap, SetWeatherPictureOnlyChangesThePicture)
{
    test::RecordingDisplay display;
    display.visible = false;
    SetWeatherPicture(display, "orageloc");
    SetWeatherPicture(display, "brouillardgivrant");
    SetWeatherPicture(display, QString());
    EXPECT_EQ(display.calls, QStringList({"pictogram 4", "pictogram 2", "pictogram 0"}));
    EXPECT_FALSE(display.visible);
    EXPECT_EQ(display.temperature, "untouched");
}

TEST(StockPictograms, SixDistinctPicturesOfTheRightSizeOnATransparentGround)
{
    QSet<QByteArray> seen;
    for (int i = 0; i < kPictogramCount; ++i) {
        SCOPED_TRACE(i);
        const QImage image = stockPictogramImage(i).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(79, 80));
        ASSERT_TRUE(image.hasAlphaChannel());

        int opaque = 0;
        int keyColoured = 0;
        int halfTransparent = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) == 255)
                    ++opaque;
                else if (qAlpha(p) != 0)
                    ++halfTransparent;
                // The strip keys this colour out: a pictogram must never hold it.
                if (qAlpha(p) != 0 && qRed(p) == 0 && qGreen(p) == 255 && qBlue(p) == 255)
                    ++keyColoured;
            }
        }
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(78, 79)), 0);
        // Something is drawn, and the ground around it shows through.
        EXPECT_GT(opaque, 79 * 80 / 8);
        EXPECT_LT(opaque, 79 * 80 * 3 / 4);
        EXPECT_EQ(keyColoured, 0);
        // A partly transparent rim would blend with the key colour into a fringe.
        EXPECT_EQ(halfTransparent, 0);

        seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));

        const QPixmap pixmap = stockPictogram(i);
        EXPECT_EQ(pixmap.size(), QSize(79, 80));
        EXPECT_TRUE(pixmap.hasAlphaChannel());
    }
    EXPECT_EQ(seen.size(), kPictogramCount);

    EXPECT_TRUE(stockPictogram(-1).isNull());
    EXPECT_TRUE(stockPictogram(kPictogramCount).isNull());
}

namespace {

// Pixels of one rough colour family, to tell the pictures apart without restating them.
int countPixels(const QImage& image, bool (*matches)(QColor))
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            if (c.alpha() == 255 && matches(c))
                ++n;
        }
    return n;
}

bool isYellow(QColor c) { return c.red() > 200 && c.green() > 150 && c.blue() < 140; }
bool isRainBlue(QColor c) { return c.blue() > 150 && c.red() < 80; }
bool isDarkGrey(QColor c) { return c.value() < 120 && c.saturation() < 80; }

}

TEST(StockPictograms, EachIndexHoldsThePictureItStandsFor)
{
    QImage m[kPictogramCount];
    for (int i = 0; i < kPictogramCount; ++i)
        m[i] = stockPictogramImage(i).convertToFormat(QImage::Format_ARGB32);

    EXPECT_EQ(countPixels(m[0], isYellow), 0);    // mist: grey bands only
    EXPECT_EQ(countPixels(m[0], isRainBlue), 0);
    EXPECT_GT(countPixels(m[1], isYellow), 1000); // sun
    EXPECT_GT(countPixels(m[2], isYellow), 300);  // sun partly hidden by a light cloud
    EXPECT_LT(countPixels(m[2], isYellow), countPixels(m[1], isYellow));
    EXPECT_EQ(countPixels(m[2], isDarkGrey), 0);
    EXPECT_GT(countPixels(m[3], isDarkGrey), 800); // dark cloud with rain, no lightning
    EXPECT_GT(countPixels(m[3], isRainBlue), 100);
    EXPECT_EQ(countPixels(m[3], isYellow), 0);
    EXPECT_GT(countPixels(m[4], isDarkGrey), 800); // storm: rain and a yellow bolt
    EXPECT_GT(countPixels(m[4], isRainBlue), 30);
    EXPECT_GT(countPixels(m[4], isYellow), 100);
    EXPECT_EQ(countPixels(m[5], isRainBlue), 0);   // moon
    EXPECT_GT(countPixels(m[5], isYellow), 800);
}
