#pragma once
// The phrase box painted by its own widget through Qt: where the X server cannot keep
// pictures for it (another windowing system, other pixels, a scaled screen).
#include "presentation/phrase_renderer.h"

namespace zepril {

class PhraseTextBox;

class WidgetPhraseRenderer final : public PhraseRenderer {
public:
    explicit WidgetPhraseRenderer(PhraseTextBox& box) : m_box(box) {}

    void setShown(bool shown) override;
    void moved(const PhrasePlacement& from, const PhrasePlacement& to) override;
    void redraw(const PhrasePlacement& at) override;
    void forgetTile(qint64) override {}
    void paint(QPainter& painter, const QRect& area) override;

private:
    PhraseTextBox& m_box;
};

}
