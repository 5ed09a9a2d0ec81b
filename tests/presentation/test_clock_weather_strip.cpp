#include "core/timings.h"
#include "presentation/clock_weather_strip.h"
#include "support/fakes.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

using namespace zepril;

namespace {
QDateTime at(int h, int m, int s = 0) { return QDateTime(QDate(2026, 12, 6), QTime(h, m, s)); }

// Six pictograms of distinct colours; m1 has a square of exactly the key colour.
std::array<QPixmap, 6> stockPictures()
{
    std::array<QPixmap, 6> pictures;
    for (int i = 0; i < 6; ++i) {
        QImage img(80, 80, QImage::Format_ARGB32);
        img.fill(QColor(40 * i, 100, 255 - 40 * i));
        if (i == 1)
            QPainter(&img).fillRect(20, 20, 40, 40, ClockWeatherStrip::transparencyKey());
        pictures[size_t(i)] = QPixmap::fromImage(img);
    }
    return pictures;
}

// Every pixel of the key colour lies outside the mask, every other one inside.
int maskMismatches(ClockWeatherStrip& form)
{
    const QImage content = form.renderContent();
    const QRegion mask = form.mask();
    int wrong = 0;
    for (int y = 0; y < content.height(); ++y)
        for (int x = 0; x < content.width(); ++x) {
            const bool key = content.pixelColor(x, y) == ClockWeatherStrip::transparencyKey();
            wrong += key == mask.contains(QPoint(x, y));
        }
    return wrong;
}
}

TEST(ClockWeatherStrip, LoadBuildsTheTopStrip)
{
    test::FakeClock clock(at(9, 5, 12));
    ClockWeatherStrip form(clock, Timings::production());
    form.setStockPictures(stockPictures());
    int refreshes = 0;
    QObject::connect(&form, &ClockWeatherStrip::weatherRefreshRequested, [&] { ++refreshes; });
    form.load();

    const QRect s = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form.geometry(), QRect(s.left(), s.top(), s.width(), 86)); // 1290 twips
    EXPECT_FALSE(form.isVisible()); // the first raise shows it
    EXPECT_EQ(form.lblTime()->text(), "09:05");
    EXPECT_EQ(form.lblTime()->geometry().right(), s.width() - 1);
    EXPECT_EQ(form.imgMeteo()->x(), 20); // 300 twips
    EXPECT_EQ(form.lblTemp()->x(), 87);  // 1300 twips
    EXPECT_EQ(form.pictogram(), 1);      // the sun until the weather says otherwise
    EXPECT_EQ(refreshes, 1);
    EXPECT_TRUE(form.timerHorloge().isActive());
}

TEST(ClockWeatherStrip, KeyColourPixelsAreOutsideTheMaskWhateverIsShown)
{
    test::FakeClock clock(at(21, 30));
    ClockWeatherStrip form(clock, Timings::production());
    form.setStockPictures(stockPictures());
    form.load();
    form.setTemperatureText("-3°C");
    EXPECT_EQ(form.lblTemp()->text(), "-3°C");
    EXPECT_GT(form.lblTemp()->width(), 10);

    // The key square inside the sun pictogram shows the video through.
    const QPoint inSquare = form.imgMeteo()->geometry().center();
    const QPoint pictogramEdge = form.imgMeteo()->geometry().topLeft() + QPoint(2, 2);
    EXPECT_EQ(form.renderContent().pixelColor(inSquare), ClockWeatherStrip::transparencyKey());
    EXPECT_FALSE(form.mask().contains(inSquare));
    EXPECT_TRUE(form.mask().contains(pictogramEdge));
    EXPECT_FALSE(form.mask().contains(QPoint(form.width() / 2, form.height() / 2)));
    EXPECT_EQ(maskMismatches(form), 0);

    // A stock pictogram without a key square; indices with no stock picture are ignored.
    form.setPictogram(4);
    form.setPictogram(6);
    form.setPictogram(-1);
    EXPECT_EQ(form.pictogram(), 4);
    EXPECT_EQ(form.imgMeteo()->pixmap().toImage().pixelColor(2, 2), QColor(160, 100, 95));
    EXPECT_TRUE(form.mask().contains(inSquare));
    EXPECT_EQ(maskMismatches(form), 0);
    form.setWeatherVisible(false);
    EXPECT_FALSE(form.mask().contains(pictogramEdge));
    EXPECT_EQ(maskMismatches(form), 0);

    // Nothing left to show: an empty mask would mean no mask at all, a solid strip.
    form.lblTime()->hide();
    form.updateColourKey();
    EXPECT_FALSE(form.mask().isEmpty());
    EXPECT_FALSE(form.mask().intersects(form.rect()));
}

TEST(ClockWeatherStrip, ClockChangesOnlyOnItsTick)
{
    test::FakeClock clock(at(10, 59, 45));
    Timings t;
    t.clockRefreshMs = 30;
    ClockWeatherStrip form(clock, t);
    form.load();
    form.timerHorloge().stop();
    EXPECT_EQ(form.lblTime()->text(), "10:59");
    const QRegion before = form.mask();
    clock.time = at(11, 0, 5);
    EXPECT_EQ(form.lblTime()->text(), "10:59"); // no tick yet, the clock lags

    form.timerHorloge().start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.lblTime()->text() == "11:00"; }, 5000));
    EXPECT_NE(form.mask(), before);
    EXPECT_EQ(maskMismatches(form), 0);
}
