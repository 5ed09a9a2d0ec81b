#include "presentation/widget_phrase_renderer.h"

#include "presentation/phrase_text_box.h"

#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace zepril {

void WidgetPhraseRenderer::setShown(bool shown) { m_box.setVisible(shown); }

void WidgetPhraseRenderer::moved(const PhrasePlacement& from, const PhrasePlacement& to)
{
    // A move by whole pixels repaints what it exposes by itself.
    if (to.phase != from.phase || to.box.size() != from.box.size())
        m_box.update();
}

void WidgetPhraseRenderer::redraw(const PhrasePlacement&) { m_box.update(); }

void WidgetPhraseRenderer::paint(QPainter& p, const QRect& area)
{
    // What shows beside the box in the first and last columns is the banner's background.
    const QPixmap back = m_box.backdrop() ? m_box.backdrop()->pixmap() : QPixmap();
    for (const int x : {0, m_box.width() - 1}) {
        const QRect column = QRect(x, 0, 1, m_box.height()) & area;
        if (column.isEmpty())
            continue;
        if (back.isNull())
            p.fillRect(column, Qt::black);
        else
            p.drawPixmap(column, back, column.translated(m_box.pos()));
    }
    const int phase = m_box.placement().phase;
    constexpr int kTileWidth = PhraseTextBox::kTileWidth;
    for (int i = std::max(0, area.left() / kTileWidth); i * kTileWidth <= area.right(); ++i)
        p.drawImage(i * kTileWidth, 0, m_box.tile(i, phase, m_box.width()));
}

}
