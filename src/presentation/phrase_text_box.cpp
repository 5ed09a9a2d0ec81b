#include "presentation/phrase_text_box.h"

#include "presentation/server_phrase_renderer.h"
#include "presentation/strip_window.h"
#include "presentation/widget_phrase_renderer.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace zepril {

PhraseTextBox::PhraseTextBox(QWidget* parent, const QLabel* backdrop)
    : QWidget(parent), m_backdrop(backdrop), m_renderer(std::make_unique<WidgetPhraseRenderer>(*this))
{
    setObjectName(QStringLiteral("tphraseTxt"));
    // The box paints every pixel it covers, so nothing below has to be painted first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    m_staticText.setTextFormat(Qt::PlainText);
    m_staticText.setPerformanceHint(QStaticText::ModerateCaching);
}

PhraseTextBox::~PhraseTextBox() = default;

void PhraseTextBox::setText(const QString& text)
{
    m_text = text;
    m_staticText.setText(text);
    m_staticText.prepare(QTransform(), font());
    // An empty box would still be a bar of its background colour across the banner
    // (after the load, before the first pass, and for a blank phrase).
    m_renderer->setShown(!text.isEmpty());
    redraw();
}

void PhraseTextBox::setBoxFont(const QFont& f)
{
    setFont(f);
    m_staticText.prepare(QTransform(), f);
    redraw();
}

void PhraseTextBox::setColours(const QColor& text, const QColor& background)
{
    m_textColour = text;
    m_background = background;
    redraw();
}

void PhraseTextBox::drawOn(ServerPictureStrip* strip)
{
    m_renderer = std::make_unique<ServerPhraseRenderer>(*this, strip);
    m_drawnByServer = true;
    hide();
    redraw();
}

void PhraseTextBox::drawAhead(const std::vector<PhraseFrame>& frames)
{
    if (!drawsAhead())
        return;
    std::vector<std::pair<double, PhrasePlacement>> placements;
    placements.reserve(frames.size());
    for (const PhraseFrame& frame : frames)
        placements.emplace_back(frame.inMs, placementAt(frame.left));
    m_renderer->drawAhead(placements);
}

void PhraseTextBox::dropTiles()
{
    for (auto it = m_tiles.keyBegin(); it != m_tiles.keyEnd(); ++it)
        m_renderer->forgetTile(*it);
    m_tiles.clear();
}

void PhraseTextBox::redraw()
{
    dropTiles();
    m_renderer->redraw(placement());
}

void PhraseTextBox::setTwipsGeometry(const TwipsRect& rect)
{
    if (rect.width != m_rect.width || rect.height != m_rect.height)
        dropTiles();
    m_rect = rect;
    placeWidget();
}

void PhraseTextBox::setLeftTwips(double left)
{
    m_rect.left = left;
    placeWidget();
}

PhrasePlacement PhraseTextBox::placementAt(double left) const
{
    const double phases = std::round(left / m_tpp * kPhases);
    const double x0 = std::isfinite(phases) ? std::floor(phases / kPhases) : 0;
    const int phase = std::isfinite(phases) ? int(phases - x0 * kPhases) : 0;
    // Through the shared conversion, so that no width or position can wrap round.
    return {QRect(clampedPixels(x0), twipsToPixels(m_rect.top, m_tpp),
                  clampedPixels(std::ceil(double(phase) / kPhases + m_rect.width / m_tpp)),
                  twipsToPixels(m_rect.height, m_tpp)),
            phase};
}

void PhraseTextBox::placeWidget()
{
    const PhrasePlacement from = placement(), to = placementAt(m_rect.left);
    m_phase = to.phase;
    if (to.box != from.box)
        setGeometry(to.box);
    // The box only moves left: a tile past the banner's left edge is not seen again this pass.
    for (auto it = m_tiles.begin(); it != m_tiles.end();) {
        if ((it.key() / kPhases + 1) * kTileWidth + x() > 0) {
            ++it;
            continue;
        }
        m_renderer->forgetTile(it.key());
        it = m_tiles.erase(it);
    }
    m_renderer->moved(from, to);
}

const QImage& PhraseTextBox::tile(int index, int phase, int boxWidth)
{
    const qint64 key = qint64(index) * kPhases + phase;
    if (const auto found = m_tiles.constFind(key); found != m_tiles.cend())
        return *found;
    const qreal ratio = devicePixelRatioF();
    const int left = index * kTileWidth;
    // Never empty: a null picture has no pixels for the strip's edge columns to read.
    const int width = std::max(1, std::min(kTileWidth, boxWidth - left));
    // Only the first and last columns are partly covered by the box.
    const bool opaque = left > 0 && left + width < boxWidth;
    QImage image(QSize(width, height()) * ratio, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(font());
    const double x = double(phase) / kPhases - left;
    p.fillRect(QRectF(x, 0, m_rect.width / m_tpp, height()), m_background);
    p.setPen(m_textColour);
    p.drawStaticText(QPointF(x, 0), m_staticText);
    p.end();
    return *m_tiles.insert(key, std::move(image));
}

void PhraseTextBox::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    if (m_tilesRatio != devicePixelRatioF())
        m_tiles.clear(), m_tilesRatio = devicePixelRatioF();
    m_renderer->paint(p, event->rect());
}

}
