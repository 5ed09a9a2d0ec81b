#include "presentation/server_phrase_renderer.h"

#include "core/clock.h"
#include "presentation/phrase_text_box.h"
#include "presentation/server_picture_strip.h"

#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace zepril {

ServerPhraseRenderer::ServerPhraseRenderer(PhraseTextBox& box, ServerPictureStrip* strip) : m_box(box), m_strip(strip)
{
    m_strip->setVisible(m_box.isVisibleTo(m_box.parentWidget()));
    m_strip->setRedraw([this] { redraw(m_box.placement()); });
}

void ServerPhraseRenderer::setShown(bool shown) { m_strip->setVisible(shown); }

void ServerPhraseRenderer::moved(const PhrasePlacement& from, const PhrasePlacement& to)
{
    if (from != to && !m_strip->waiting()) {
        draw(to);
        m_strip->flush();
    }
}

void ServerPhraseRenderer::redraw(const PhrasePlacement& at)
{
    // While drawings handed over ahead still wait in the server, the last of them is
    // what the strip will show; drawing the box where it is now would step it back.
    draw(m_strip->waiting() ? m_onStrip : at);
    m_strip->flush();
}

void ServerPhraseRenderer::forgetTile(qint64 key) { m_strip->forget(key); }

bool ServerPhraseRenderer::drawsAhead() const { return m_strip->drawsAhead(); }

void ServerPhraseRenderer::drawAhead(const std::vector<std::pair<double, PhrasePlacement>>& frames)
{
    // The times count from one reading: sending may hold this thread, and must not delay them.
    const double now = m_strip->clock().steadyMs();
    for (const auto& [inMs, at] : frames) {
        m_strip->waitUntil(now + inMs);
        draw(at);
    }
    m_strip->flush();
}

QImage ServerPhraseRenderer::stripBackdrop(const QRect& row) const
{
    QImage image(row.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    const QPixmap back = m_box.backdrop() ? m_box.backdrop()->pixmap() : QPixmap();
    if (!back.isNull()) {
        QPainter p(&image);
        p.drawPixmap(QPoint(), back, row);
    }
    return image;
}

void ServerPhraseRenderer::draw(const PhrasePlacement& at)
{
    m_onStrip = at;
    const QWidget* banner = m_box.parentWidget();
    if (!m_strip->isVisible() || !banner)
        return;
    const QRect row(0, at.box.y(), banner->width(), at.box.height());
    if (m_strip->geometry() != row)
        m_strip->setGeometry(row);
    constexpr qint64 kBackdropKey = -1;
    const QPixmap back = m_box.backdrop() ? m_box.backdrop()->pixmap() : QPixmap();
    const qint64 backdropKey = back.isNull() ? -1 : back.cacheKey();
    if (m_stripBackdropKey != backdropKey || m_stripBackdropRow != row || !m_strip->holds(kBackdropKey)) {
        m_stripBackdrop = stripBackdrop(row);
        m_strip->keep(kBackdropKey, m_stripBackdrop);
        m_stripBackdropKey = backdropKey;
        m_stripBackdropRow = row;
    }

    // The box covers columns [left, right) of the strip; beside it the backdrop shows.
    const int w = row.width(), h = row.height();
    const int left = at.box.x(), right = at.box.right() + 1;
    const int before = std::clamp(left, 0, w), after = std::clamp(right, 0, w);
    m_strip->copy(kBackdropKey, QRect(0, 0, before, h), QPoint(0, 0));
    m_strip->copy(kBackdropKey, QRect(after, 0, w - after, h), QPoint(after, 0));
    // A phrase that measures nothing (a soft hyphen, a zero-width space) has a box of no
    // columns, and no tile to take an edge column from.
    if (right <= left)
        return;
    constexpr int kTileWidth = PhraseTextBox::kTileWidth;
    // Inside the box, the server's copies of the tiles.
    const int from = std::max(left + 1, 0), to = std::min(right - 1, w);
    for (int i = std::max(0, (from - left) / kTileWidth); left + i * kTileWidth < to; ++i) {
        const int tileLeft = left + i * kTileWidth;
        const int a = std::max(from, tileLeft), b = std::min(to, tileLeft + kTileWidth);
        const qint64 key = qint64(i) * PhraseTextBox::kPhases + at.phase;
        if (!m_strip->holds(key))
            m_strip->keep(key, m_box.tile(i, at.phase, at.box.width()));
        m_strip->copy(key, QRect(a - tileLeft, 0, b - a, h), QPoint(a, 0));
    }
    // The box's first and last columns are partly covered: blended here, over the backdrop.
    if (m_edgeColumn.height() != h)
        m_edgeColumn = QImage(1, h, QImage::Format_RGB32);
    const int edges[] = {left, right - 1};
    for (int k = 0; k < (right - 1 > left ? 2 : 1); ++k) {
        const int column = edges[k];
        if (column < 0 || column >= w)
            continue;
        const int index = (column - left) / kTileWidth;
        const QImage& box = m_box.tile(index, at.phase, at.box.width());
        const int boxColumn = column - left - index * kTileWidth;
        for (int y = 0; y < h; ++y) {
            // Premultiplied box pixel over the opaque backdrop.
            const QRgb over = reinterpret_cast<const QRgb*>(box.constScanLine(y))[boxColumn];
            const QRgb under = reinterpret_cast<const QRgb*>(m_stripBackdrop.constScanLine(y))[column];
            const int uncovered = 255 - qAlpha(over);
            reinterpret_cast<QRgb*>(m_edgeColumn.scanLine(y))[0] =
                qRgb(qRed(over) + qRed(under) * uncovered / 255, qGreen(over) + qGreen(under) * uncovered / 255,
                     qBlue(over) + qBlue(under) * uncovered / 255);
        }
        m_strip->put(m_edgeColumn, QPoint(column, 0));
    }
}

}
