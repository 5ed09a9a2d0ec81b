#pragma once
// PhraseTextBox: the banner's phrase box that is seen. Its left is kept in twips and
// shown to an eighth of a pixel, so that a step of less than a pixel moves the text
// evenly instead of one pixel on some ticks and none on others. The box is drawn with
// its text once per pass and offset, in tiles rendered as they come into view, so that
// a tick only copies pixels and a phrase of any length costs a screen's width of them.
// Its renderer puts the tiles on the screen: the widget paints them through Qt, or the
// X server draws them on a strip across the banner.
#include "presentation/banner_cycle.h"
#include "presentation/banner_layout.h"
#include "presentation/phrase_renderer.h"

#include <QHash>
#include <QImage>
#include <QStaticText>
#include <QWidget>

#include <memory>

class QLabel;

namespace zepril {

class ServerPictureStrip;

class PhraseTextBox final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PhraseTextBox)
public:
    static constexpr int kPhases = 8;
    static constexpr int kTileWidth = 256;

    PhraseTextBox(QWidget* parent, const QLabel* backdrop);
    ~PhraseTextBox() override;

    // Draws the box on `strip` from now on instead of through Qt.
    void drawOn(ServerPictureStrip* strip);
    bool drawnByServer() const { return m_drawnByServer; }
    bool drawsAhead() const { return m_renderer->drawsAhead(); }
    // The box will be at each frame's left when its time comes; the widget's own
    // geometry stays where it is now.
    void drawAhead(const std::vector<PhraseFrame>& frames);
    // The banner's background behind the box changed.
    void backdropChanged() { m_renderer->redraw(placement()); }

    void setTwipsPerPixel(double tpp) { m_tpp = tpp, redraw(); }
    void setText(const QString& text);
    QString text() const { return m_text; }
    void setBoxFont(const QFont& font);
    void setColours(const QColor& text, const QColor& background);
    QColor textColour() const { return m_textColour; }
    QColor backgroundColour() const { return m_background; }

    TwipsRect twipsGeometry() const { return m_rect; }
    void setTwipsGeometry(const TwipsRect& rect);
    void setLeftTwips(double left);

    // For the renderers: the banner's background label, where the box is drawn now and
    // for a left in twips, and tile `index` of the box drawn at `phase`, keyed
    // index * kPhases + phase.
    const QLabel* backdrop() const { return m_backdrop; }
    PhrasePlacement placement() const { return {geometry(), m_phase}; }
    PhrasePlacement placementAt(double left) const;
    const QImage& tile(int index, int phase, int boxWidth);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void placeWidget();
    void redraw();
    void dropTiles();

    const QLabel* m_backdrop;
    std::unique_ptr<PhraseRenderer> m_renderer;
    bool m_drawnByServer = false;
    double m_tpp = 15;
    TwipsRect m_rect;
    int m_phase = 0;               // eighths of a pixel the box lies right of the widget's left
    QHash<qint64, QImage> m_tiles; // by tile index and phase
    qreal m_tilesRatio = 0;
    QString m_text;
    QStaticText m_staticText;
    QColor m_textColour = Qt::white;
    QColor m_background = Qt::black;
};

}
