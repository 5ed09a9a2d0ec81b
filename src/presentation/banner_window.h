#pragma once
// BannerWindow (object name frmPhrase_ZEPRIL), the banner along the bottom edge of the screen: the background
// picture, the hotel's logo at the left end and the welcome phrase that scrolls
// across during a pass of the banner cycle. It stays on top, never takes focus.
#include "presentation/banner_cycle.h"
#include "presentation/banner_layout.h"

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QStaticText>
#include <QWidget>

class QLabel;
class QScreen;

namespace zepril {

class ServerPictureStrip;

// tphraseTxt: the phrase box that is seen. Its left is kept in twips and shown to an
// eighth of a pixel, so that a step of less than a pixel moves the text evenly
// instead of one pixel on some ticks and none on others. The box is drawn with its
// text once per pass and offset, in tiles rendered as they come into view, so that a
// tick only copies pixels and a phrase of any length costs a screen's width of them.
// On X the tiles are kept by the server and the box is drawn on a strip across the
// banner (the widget itself stays hidden and only holds the geometry), so that a tick
// sends a few copy requests instead of a screen's width of pixels. Where the server can
// wait on its clock, the places of the coming ticks are handed over at once and the
// server draws each when it is due.
class PhraseTextBox final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PhraseTextBox)
public:
    PhraseTextBox(QWidget* parent, const QLabel* backdrop);

    // Draws the box on `strip` from now on instead of through Qt.
    void drawOn(ServerPictureStrip* strip);
    bool drawnByServer() const { return m_strip != nullptr; }
    bool drawsAhead() const;
    // The box will be at each frame's left when its time comes; the widget's own
    // geometry stays where it is now.
    void drawAhead(const std::vector<PhraseFrame>& frames);
    // The banner's background behind the box changed.
    void backdropChanged();

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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kPhases = 8;
    static constexpr int kTileWidth = 256;

    // Where the box is drawn for a left in twips: whole pixels and eighths beyond them.
    struct Placement {
        QRect box;
        int phase = 0;
    };
    Placement placementAt(double left) const;
    void placeWidget();
    void redraw();
    void dropTiles();
    void repaintBox();
    void drawOnStrip(const Placement& at);
    QImage stripBackdrop(const QRect& row) const;
    const QImage& tile(int index, int phase, int boxWidth);

    const QLabel* m_backdrop;
    double m_tpp = 15;
    TwipsRect m_rect;
    int m_phase = 0; // eighths of a pixel the box lies right of the widget's left
    QHash<qint64, QImage> m_tiles; // by tile index and phase
    ServerPictureStrip* m_strip = nullptr;
    QImage m_stripBackdrop; // what the strip shows beside the box, as kept by the server
    qint64 m_stripBackdropKey = 0; // the backdrop picture and the strip's place it was cut for
    QRect m_stripBackdropRow;
    QImage m_edgeColumn; // one of the box's edge columns, blended for the strip
    Placement m_onStrip; // what the requests sent so far leave on the strip
    qreal m_tilesRatio = 0;
    QString m_text;
    QStaticText m_staticText;
    QColor m_textColour = Qt::white;
    QColor m_background = Qt::black;
};

class BannerWindow final : public QWidget, public BannerSurface {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BannerWindow)
public:
    explicit BannerWindow(QWidget* parent = nullptr);

    // The window's load: scroll step and font from the settings, laid out along the
    // bottom of the screen (the primary one unless given), then shown without focus.
    void load(const BannerSettings& settings, QScreen* screen = nullptr);
    // Lays the loaded banner out again on a screen that changed (the primary one unless
    // given): width, height from ratio_taillebandeau, place, pictures. A phrase under
    // way goes on; nothing before the load.
    void layOut(QScreen* screen = nullptr);
    // Background and logo pictures; a picture that cannot be read keeps the old one.
    void setSkin(const QString& backJpgPath, const QString& logoJpgPath);
    // couleur_texte: white on black when true, black on white otherwise.
    void setTextColours(bool whiteOnBlack);

    const BannerLayout& layout() const { return m_layout; }
    double twipsPerPixel() const { return m_tpp; }
    QLabel* backdropLabel() const { return m_backdrop; }
    QLabel* pboxLogo() const { return m_pboxLogo; }
    QLabel* tphrase() const { return m_tphrase; }
    PhraseTextBox* tphraseTxt() const { return m_tphraseTxt; }

    // BannerSurface
    void setPhraseText(const QString& text) override;
    TwipsRect referenceGeometry() const override { return m_reference; }
    void setReferenceLeft(double left) override { m_reference.left = left; }
    void setPhraseGeometry(const TwipsRect& rect) override;
    double phraseLeft() const override;
    void setPhraseLeft(double left) override;
    double phraseWidth() const override;
    double screenWidth() const override { return m_screenWidth; }
    double scrollStep() const override { return m_scrollStep; }
    bool drawsPhraseAhead() const override { return m_tphraseTxt->drawsAhead(); }
    void drawPhraseAhead(const std::vector<PhraseFrame>& frames) override { m_tphraseTxt->drawAhead(frames); }

private:
    void placeLogo();

    QLabel* m_backdrop;
    QLabel* m_pboxLogo;
    QLabel* m_tphrase;
    PhraseTextBox* m_tphraseTxt;
    QFont m_font;
    BannerLayout m_layout;
    TwipsRect m_reference;
    QPixmap m_back;
    QPixmap m_logo;
    double m_tpp = 15;
    double m_screenWidth = 0;
    double m_scrollStep = BannerSettings{}.scrollStep;
    double m_heightRatio = BannerSettings{}.heightRatio;
    bool m_loaded = false;
};

}
