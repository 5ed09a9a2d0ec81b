#pragma once
// ClockWeatherStrip, the clock and weather strip along the top edge of the screen: the time at
// the right end, the weather pictogram and temperature at the left end, and every
// pixel of the key colour left out so that the video shows through.
#include "presentation/banner_layout.h"
#include "weather/weather_display.h"

#include <QColor>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <array>

class QLabel;
class QScreen;

namespace zepril {

class Clock;
struct Timings;

inline constexpr double kOverlayHeightTwips = 1290;

struct OverlayLayout {
    TwipsRect window;
    double pictogramLeft = 0;
    double temperatureLeft = 0;
    double timeLeft = 0;
};

// The overlay's load: full width at the top, the pictogram a quarter of its own width
// from the left edge, the temperature just after it, the time against the right edge.
OverlayLayout layoutOverlay(double screenWidth, double pictogramWidth, double timeWidth);

class ClockWeatherStrip final : public QWidget, public WeatherDisplay {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClockWeatherStrip)
public:
    ClockWeatherStrip(const Clock& clock, const Timings& timings, QWidget* parent = nullptr);

    static QColor transparencyKey() { return QColor(0, 255, 255); }

    // Lays the strip out on the screen (the primary one unless given), writes the
    // time, applies the colour key, starts the clock timer and asks for a weather
    // refresh. It does not show the window: the first raise does.
    void load(QScreen* screen = nullptr);
    // The load's layout alone, for a screen that changed: geometry, time, colour key.
    void layOut(QScreen* screen = nullptr);
    // The six stock pictograms; the pictogram label shows the sun, the second, until the
    // weather picks another.
    void setStockPictures(const std::array<QPixmap, 6>& pictures);

    // WeatherDisplay
    void setTemperatureText(const QString& text) override;
    void setPictogram(int index) override;
    void setWeatherVisible(bool visible) override;

    // Rebuilds the window's mask from what it shows: pixels of exactly the key colour
    // are left out, every other pixel stays.
    void updateColourKey();
    // What the window paints, mask ignored.
    QImage renderContent();

    QLabel* timeLabel() const { return m_timeLabel; }
    QLabel* pictogramLabel() const { return m_pictogramLabel; }
    QLabel* temperatureLabel() const { return m_temperatureLabel; }
    QTimer& clockTimer() { return m_clockTimer; }
    const OverlayLayout& layout() const { return m_layout; }
    double twipsPerPixel() const { return m_tpp; }
    int pictogram() const { return m_pictogram; }

public slots:
    void showTime();

signals:
    // The load's last step: the main screen refreshes the weather (refresh).
    void weatherRefreshRequested();

private:
    void showPictogram(int index);

    const Clock& m_clock;
    QLabel* m_timeLabel;
    QLabel* m_pictogramLabel;
    QLabel* m_temperatureLabel;
    std::array<QPixmap, 6> m_stock;
    int m_pictogram = 1;
    QTimer m_clockTimer;
    OverlayLayout m_layout;
    double m_tpp = 15;
    bool m_loaded = false;
};

}
