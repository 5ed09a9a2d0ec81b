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

// Every pixel of the key colour lies outside the mask, every other one inside.
int maskMismatches(ClockWeatherStrip& form)
{
    const QImage content = form.renderContent();
    const QRegion mask = form.mask();
    int wrong = 0;
    for (int y = 0; y < content.height(); ++y)
        for (int x = 0; x < content.width(); ++x)
            wrong += (content.pixelColor(x, y) == ClockWeatherStrip::transparencyKey()) == mask.contains(QPoint(x, y));
    return wrong;
}
}

TEST(ClockWeatherStrip, TheTopStripKeepsKeyColourPixelsOutsideItsMaskWhateverIsShownAndTicks)
{
    test::FakeClock clock(at(9, 5, 12));
    ClockWeatherStrip form(clock, Timings{.clockRefreshMs = 30});
    // Six pictograms of distinct colours; the sun has a square of exactly the key colour.
    std::array<QPixmap, 6> pictures;
    for (int i = 0; i < 6; ++i) {
        QImage img(80, 80, QImage::Format_ARGB32);
        img.fill(QColor(40 * i, 100, 255 - 40 * i));
        if (i == 1)
            QPainter(&img).fillRect(20, 20, 40, 40, ClockWeatherStrip::transparencyKey());
        pictures[size_t(i)] = QPixmap::fromImage(img);
    }
    form.setStockPictures(pictures);
    int refreshes = 0;
    QObject::connect(&form, &ClockWeatherStrip::weatherRefreshRequested, [&] { ++refreshes; });
    form.load();
    const QRect s = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form.geometry(), QRect(s.left(), s.top(), s.width(), 86)); // 1290 twips
    EXPECT_FALSE(form.isVisible()); // the first raise shows it
    // At 300 and 1300 twips; the sun until the weather says otherwise; a refresh asked at once.
    EXPECT_EQ(std::tuple(form.timeLabel()->text(), form.timeLabel()->geometry().right(), form.pictogramLabel()->x(),
                         form.temperatureLabel()->x(), form.pictogram(), refreshes, form.clockTimer().isActive()),
              std::tuple(QString("09:05"), s.width() - 1, 20, 87, 1, 1, true));
    const QRegion before = form.mask();
    clock.time = at(9, 6, 1);
    EXPECT_EQ(form.timeLabel()->text(), "09:05"); // no tick yet, the clock lags
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.timeLabel()->text() == "09:06"; }, 5000));
    EXPECT_NE(form.mask(), before);
    form.setTemperatureText("-3°C");
    EXPECT_EQ(form.temperatureLabel()->text(), "-3°C");
    EXPECT_GT(form.temperatureLabel()->width(), 10);

    // The key square inside the sun pictogram shows the video through.
    const QPoint inSquare = form.pictogramLabel()->geometry().center();
    const QPoint pictogramEdge = form.pictogramLabel()->geometry().topLeft() + QPoint(2, 2);
    EXPECT_EQ(form.renderContent().pixelColor(inSquare), ClockWeatherStrip::transparencyKey());
    const auto inMask = [&](QPoint p) { return form.mask().contains(p); };
    const QPoint middle(form.width() / 2, form.height() / 2);
    EXPECT_EQ(std::tuple(inMask(inSquare), inMask(pictogramEdge), inMask(middle)), std::tuple(false, true, false));
    EXPECT_EQ(maskMismatches(form), 0);
    // A stock pictogram without a key square; indices with no stock picture are ignored.
    for (const int index : {4, 6, -1})
        form.setPictogram(index);
    EXPECT_EQ(std::tuple(form.pictogram(), form.pictogramLabel()->pixmap().toImage().pixelColor(2, 2), inMask(inSquare)),
              std::tuple(4, QColor(160, 100, 95), true));
    EXPECT_EQ(maskMismatches(form), 0);
    form.setWeatherVisible(false);
    EXPECT_FALSE(inMask(pictogramEdge));
    EXPECT_EQ(maskMismatches(form), 0);
    // Nothing left to show: an empty mask would mean no mask at all, a solid strip.
    form.timeLabel()->hide();
    form.updateColourKey();
    EXPECT_EQ(std::tuple(form.mask().isEmpty(), form.mask().intersects(form.rect())), std::tuple(false, false));
}
