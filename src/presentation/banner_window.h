#pragma once
// BannerWindow, the banner along the bottom edge of the screen: the background
// picture, the hotel's logo at the left end and the welcome phrase that scrolls
// across during a pass of the banner cycle. It stays on top, never takes focus.
#include "presentation/banner_cycle.h"
#include "presentation/banner_layout.h"
#include "presentation/phrase_text_box.h"

#include <QFont>
#include <QPixmap>
#include <QWidget>

class QLabel;
class QScreen;

namespace zepril {

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
    QLabel* logoLabel() const { return m_logoLabel; }
    QLabel* referenceLabel() const { return m_referenceLabel; }
    PhraseTextBox* phraseBox() const { return m_phraseBox; }

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
    bool drawsPhraseAhead() const override { return m_phraseBox->drawsAhead(); }
    void drawPhraseAhead(const std::vector<PhraseFrame>& frames) override { m_phraseBox->drawAhead(frames); }

private:
    void placeLogo();

    QLabel* m_backdrop;
    QLabel* m_logoLabel;
    QLabel* m_referenceLabel;
    PhraseTextBox* m_phraseBox;
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
