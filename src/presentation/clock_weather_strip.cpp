#include "presentation/clock_weather_strip.h"

#include "core/clock.h"
#include "core/logging.h"
#include "core/timings.h"
#include "presentation/clock_text.h"
#include "presentation/strip_window.h"

#include <QBitmap>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace zepril {

namespace {
constexpr double kPictogramTwips = 1200;
constexpr double kTimePoints = 36;
constexpr double kTempPoints = 28;
constexpr double kTimePaddingPx = 8;
constexpr int kOutlinePx = 2;

QFont overlayFont(double points)
{
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(true);
    // Anti-aliased edges would be blends of the text and the key colour: opaque,
    // slightly cyan pixels around every letter. Hard edges have none.
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// A colour key knows only "shown" or "not shown"; a half-transparent pixel of a
// pictogram would come out as a cyan tint, so each pixel is made one or the other.
QPixmap keyReady(const QPixmap& picture, const QSize& size)
{
    if (picture.isNull())
        return picture;
    QImage image = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .toImage()
                       .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            line[x] = qRgba(qRed(p), qGreen(p), qBlue(p), qAlpha(p) >= 128 ? 255 : 0);
        }
    }
    return QPixmap::fromImage(image);
}

// White letters with a dark rim, readable over a white picture as over a black one;
// both colours are drawn with hard edges so the colour key stays exact around them.
class OutlinedLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setFont(font());
        const QRect r = contentsRect().adjusted(kOutlinePx, 0, -kOutlinePx, 0);
        p.setPen(QColor(0, 0, 0));
        for (int dx = -kOutlinePx; dx <= kOutlinePx; dx += kOutlinePx)
            for (int dy = -kOutlinePx; dy <= kOutlinePx; dy += kOutlinePx)
                if (dx || dy)
                    p.drawText(r.translated(dx, dy), int(alignment()), text());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r, int(alignment()), text());
    }
};
}

OverlayLayout layoutOverlay(double screenWidth, double pictogramWidth, double timeWidth)
{
    OverlayLayout l;
    l.window = {0, 0, screenWidth, kOverlayHeightTwips};
    l.pictogramLeft = pictogramWidth / 4;
    l.temperatureLeft = l.pictogramLeft / 3 + pictogramWidth;
    l.timeLeft = screenWidth - timeWidth;
    return l;
}

ClockWeatherStrip::ClockWeatherStrip(const Clock& clock, const Timings& timings, QWidget* parent)
    : QWidget(parent, stripWindowFlags()),
      m_clock(clock),
      m_timeLabel(new OutlinedLabel(QStringLiteral("00:00"), this)),
      m_pictogramLabel(new QLabel(this)),
      m_temperatureLabel(new OutlinedLabel(this))
{
    setObjectName(QStringLiteral("ClockWeatherStrip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    m_timeLabel->setObjectName(QStringLiteral("lblTime"));
    m_pictogramLabel->setObjectName(QStringLiteral("imgMeteo"));
    m_temperatureLabel->setObjectName(QStringLiteral("lblTemp"));

    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    for (QLabel* label : {m_timeLabel, m_temperatureLabel}) {
        label->setTextFormat(Qt::PlainText);
        label->setPalette(pal);
    }
    m_timeLabel->setFont(overlayFont(kTimePoints));
    m_timeLabel->setAlignment(Qt::AlignCenter);
    m_temperatureLabel->setFont(overlayFont(kTempPoints));
    m_temperatureLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_clockTimer.setObjectName(QStringLiteral("timerHorloge"));
    m_clockTimer.setInterval(timings.clockRefreshMs);
    connect(&m_clockTimer, &QTimer::timeout, this, &ClockWeatherStrip::showTime);
}

void ClockWeatherStrip::load(QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        qCWarning(lcWeather) << "no screen to lay the clock and weather strip on";
        return;
    }
    layOut(screen);
    m_clockTimer.start();
    emit weatherRefreshRequested();
}

void ClockWeatherStrip::layOut(QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    m_tpp = zepril::twipsPerPixel(screen->logicalDotsPerInch());
    const QRect sg = screen->geometry();
    const double screenWidth = sg.width() * m_tpp;

    const QFontMetricsF timeMetrics(m_timeLabel->font(), this);
    const double timeWidth =
        (std::ceil(timeMetrics.horizontalAdvance(QStringLiteral("00:00"))) + 2 * kTimePaddingPx) * m_tpp;
    m_layout = layoutOverlay(screenWidth, kPictogramTwips, timeWidth);

    setGeometry(twipsToPixels(m_layout.window, m_tpp).translated(sg.topLeft()));
    const double strip = m_layout.window.height;
    m_pictogramLabel->setGeometry(twipsToPixels(
        {m_layout.pictogramLeft, (strip - kPictogramTwips) / 2, kPictogramTwips, kPictogramTwips}, m_tpp));

    const double timeHeight = std::ceil(timeMetrics.height()) * m_tpp;
    m_timeLabel->setGeometry(
        twipsToPixels({m_layout.timeLeft, (strip - timeHeight) / 2, timeWidth, timeHeight}, m_tpp));
    m_timeLabel->setText(clockText(m_clock.now()));

    const QFontMetricsF tempMetrics(m_temperatureLabel->font(), this);
    const double tempHeight = std::ceil(tempMetrics.height()) * m_tpp;
    const double tempWidth =
        std::ceil(tempMetrics.horizontalAdvance(m_temperatureLabel->text()) + 2 * kOutlinePx + 2) * m_tpp;
    m_temperatureLabel->setGeometry(
        twipsToPixels({m_layout.temperatureLeft, (strip - tempHeight) / 2, tempWidth, tempHeight}, m_tpp));

    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, transparencyKey());
    setPalette(pal);

    m_loaded = true;
    showPictogram(m_pictogram);
    updateColourKey();
    qCInfo(lcWeather) << "clock and weather strip laid out at" << geometry();
}

void ClockWeatherStrip::setStockPictures(const std::array<QPixmap, 6>& pictures)
{
    const QSize size = m_pictogramLabel->size().isEmpty()
        ? QSize(int(kPictogramTwips / m_tpp), int(kPictogramTwips / m_tpp))
        : m_pictogramLabel->size();
    for (size_t i = 0; i < pictures.size(); ++i)
        m_stock[i] = keyReady(pictures[i], size);
    showPictogram(m_pictogram);
    if (m_loaded)
        updateColourKey();
}

void ClockWeatherStrip::showPictogram(int index)
{
    m_pictogram = index;
    const QPixmap& picture = m_stock[size_t(index)];
    if (picture.isNull())
        return;
    m_pictogramLabel->setPixmap(picture.size() == m_pictogramLabel->size() || m_pictogramLabel->size().isEmpty()
                                    ? picture
                                    : keyReady(picture, m_pictogramLabel->size()));
}

void ClockWeatherStrip::setTemperatureText(const QString& text)
{
    m_temperatureLabel->setText(text);
    const QFontMetricsF metrics(m_temperatureLabel->font(), this);
    m_temperatureLabel->resize(int(std::ceil(metrics.horizontalAdvance(text))) + 2 * kOutlinePx + 2,
                               m_temperatureLabel->height());
    if (m_loaded)
        updateColourKey();
}

void ClockWeatherStrip::setPictogram(int index)
{
    if (index < 0 || index >= int(m_stock.size())) {
        qCWarning(lcWeather) << "no stock pictogram" << index << "; the pictogram shown is kept";
        return;
    }
    showPictogram(index);
    if (m_loaded)
        updateColourKey();
}

void ClockWeatherStrip::setWeatherVisible(bool visible)
{
    m_pictogramLabel->setVisible(visible);
    m_temperatureLabel->setVisible(visible);
    if (m_loaded)
        updateColourKey();
}

QImage ClockWeatherStrip::renderContent()
{
    QImage image(size(), QImage::Format_RGB32);
    image.fill(transparencyKey());
    render(&image, QPoint(), QRegion(rect()),
           QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    return image;
}

void ClockWeatherStrip::updateColourKey()
{
    const QPixmap content = QPixmap::fromImage(renderContent());
    QRegion shown(content.createMaskFromColor(transparencyKey(), Qt::MaskInColor));
    if (shown.isEmpty()) {
        // An empty mask means "no mask" to the toolkit, which would show the whole
        // strip in the key colour; a region beside the window shows nothing instead.
        shown = QRegion(-1, -1, 1, 1);
    }
    setMask(shown);
}

void ClockWeatherStrip::showTime()
{
    const QString text = clockText(m_clock.now());
    if (text == m_timeLabel->text())
        return;
    m_timeLabel->setText(text);
    updateColourKey();
}

}
