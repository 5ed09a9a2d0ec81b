#pragma once
// The phrase box drawn by the X server on a strip across the banner, from the box's
// tiles it keeps (the box's widget stays hidden and only holds the geometry), so that a
// tick sends a few copy requests instead of a screen's width of pixels. Where the
// server can wait on its clock, the places of the coming ticks are handed over at once
// and the server draws each when it is due.
#include "presentation/phrase_renderer.h"

#include <QImage>

namespace zepril {

class PhraseTextBox;
class ServerPictureStrip;

class ServerPhraseRenderer final : public PhraseRenderer {
public:
    ServerPhraseRenderer(PhraseTextBox& box, ServerPictureStrip* strip);

    void setShown(bool shown) override;
    void moved(const PhrasePlacement& from, const PhrasePlacement& to) override;
    void redraw(const PhrasePlacement& at) override;
    void forgetTile(qint64 key) override;
    void paint(QPainter&, const QRect&) override {}
    bool drawsAhead() const override;
    void drawAhead(const std::vector<std::pair<double, PhrasePlacement>>& frames) override;

private:
    void draw(const PhrasePlacement& at);
    QImage stripBackdrop(const QRect& row) const;

    PhraseTextBox& m_box;
    ServerPictureStrip* m_strip;
    QImage m_stripBackdrop;        // what the strip shows beside the box, as kept by the server
    qint64 m_stripBackdropKey = 0; // the backdrop picture and the strip's place it was cut for
    QRect m_stripBackdropRow;
    QImage m_edgeColumn;       // one of the box's edge columns, blended for the strip
    PhrasePlacement m_onStrip; // what the requests sent so far leave on the strip
};

}
