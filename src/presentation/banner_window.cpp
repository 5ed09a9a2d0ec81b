#include "presentation/banner_window.h"

#include "core/fallback_phrase.h"
#include "core/logging.h"
#include "presentation/server_picture_strip.h"
#include "presentation/strip_window.h"
#include "presentation/window_raiser.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace zepril {

namespace {
// The logo box's size before the skin's picture replaces it; only the first layout uses it.
constexpr double kLogoDesignTwips = 1200;

// The toolkit adds a line's advances up in 32-bit fixed point, which wraps past about
// 33 million pixels into a negative width (a pass that ends after one tick). Measured
// in pieces and added up as doubles, the width stays right for any font size a piece
// can be laid out at; a piece that still wraps counts as nothing rather than backwards.
double phraseAdvance(const QFontMetricsF& metrics, const QString& text)
{
    constexpr qsizetype kPiece = 256;
    double total = 0;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype length = std::min(kPiece, text.size() - at);
        if (at + length < text.size() && text.at(at + length - 1).isHighSurrogate())
            --length;
        const double piece = metrics.horizontalAdvance(text.mid(at, length));
        if (std::isfinite(piece) && piece > 0)
            total += piece;
        at += length;
    }
    return total;
}
}

BannerWindow::BannerWindow(QWidget* parent)
    : QWidget(parent, stripWindowFlags()),
      m_backdrop(new QLabel(this)),
      m_logoLabel(new QLabel(this)),
      m_referenceLabel(new QLabel(this)),
      m_phraseBox(new PhraseTextBox(this, m_backdrop))
{
    setObjectName(QStringLiteral("frmPhrase_ZEPRIL"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);

    m_backdrop->setObjectName(QStringLiteral("tphrase2"));
    m_backdrop->setAutoFillBackground(true);
    QPalette black = m_backdrop->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_backdrop->setPalette(black);
    m_logoLabel->setObjectName(QStringLiteral("pboxLogo"));
    // Until the skin gives a logo there is nothing to show; an empty window of its own
    // would cover the phrase.
    m_logoLabel->hide();
    m_referenceLabel->setObjectName(QStringLiteral("tphrase"));
    m_referenceLabel->setTextFormat(Qt::PlainText);
    m_referenceLabel->hide();

    // The phrase slides under the logo rather than over it.
    m_phraseBox->stackUnder(m_logoLabel);
    // Only the strip and the logo need windows of their own. Qt would give one to every
    // sibling of a native widget, and the hidden box would then be moved on the server
    // at every tick.
    const bool nativeSiblings = !QCoreApplication::testAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    if (auto* strip = ServerPictureStrip::create(this)) {
        // A native strip hides whatever Qt draws of its parent beneath it: the logo
        // needs a window of its own, raised above the strip's.
        m_logoLabel->winId();
        m_logoLabel->raise();
        m_phraseBox->drawOn(strip);
        qCInfo(lcBanner) << "the phrase is drawn by the X server from pictures it keeps";
    }
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings, !nativeSiblings);

    m_font = QFont(QStringLiteral("Arial"));
    m_referenceLabel->setFont(m_font);
    m_phraseBox->setBoxFont(m_font);
    m_referenceLabel->setText(fallbackPhrase());
    m_phraseBox->setText(fallbackPhrase());
}

void BannerWindow::load(const BannerSettings& settings, QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        qCWarning(lcBanner) << "no screen to lay the banner on";
        return;
    }
    // A step of zero or less would hold the phrase in the banner for ever.
    m_scrollStep = settings.scrollStep > 0 ? settings.scrollStep : BannerSettings{}.scrollStep;
    m_heightRatio = settings.heightRatio;

    m_referenceLabel->clear();
    m_phraseBox->setText(QString());

    m_font.setPointSizeF(settings.fontPoints > 0 ? settings.fontPoints : BannerSettings{}.fontPoints);
    m_referenceLabel->setFont(m_font);
    m_phraseBox->setBoxFont(m_font);

    m_loaded = true;
    layOut(screen);
    m_reference = m_layout.reference;
    m_referenceLabel->setGeometry(twipsToPixels(m_reference, m_tpp));
    m_phraseBox->setTwipsGeometry(m_layout.phrase);
    qCInfo(lcBanner) << "banner laid out at" << geometry() << "font" << settings.fontPoints << "pt, step"
                     << m_scrollStep << "twips per tick";
    raiseWindow(this);
}

void BannerWindow::layOut(QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!m_loaded || !screen)
        return;
    m_tpp = zepril::twipsPerPixel(screen->logicalDotsPerInch());
    m_phraseBox->setTwipsPerPixel(m_tpp);

    const QRect sg = screen->geometry();
    m_screenWidth = sg.width() * m_tpp;
    BannerLayoutInput in;
    in.screenWidth = m_screenWidth;
    in.screenHeight = sg.height() * m_tpp;
    in.twipsPerPixel = m_tpp;
    in.heightRatio = m_heightRatio;
    in.referenceHeight = QFontMetricsF(m_font, this).height() * m_tpp;
    in.logoWidth = kLogoDesignTwips;
    in.logoHeight = kLogoDesignTwips;
    m_layout = layoutBanner(in);

    setGeometry(twipsToPixels(m_layout.window, m_tpp).translated(sg.topLeft()));
    m_backdrop->setGeometry(twipsToPixels(m_layout.background, m_tpp));
    m_logoLabel->setGeometry(twipsToPixels(m_layout.logo, m_tpp));
    // A phrase under way keeps its place along the banner and its width; it is centred
    // again in the new height.
    m_reference.top = m_layout.reference.top;
    m_reference.height = m_layout.reference.height;
    m_referenceLabel->setGeometry(twipsToPixels(m_reference, m_tpp));
    TwipsRect box = m_phraseBox->twipsGeometry();
    box.top = m_layout.phrase.top;
    box.height = m_layout.phrase.height;
    m_phraseBox->setTwipsGeometry(box);

    if (!m_back.isNull() || !m_logo.isNull())
        setSkin(QString(), QString());
}

void BannerWindow::setSkin(const QString& backJpgPath, const QString& logoJpgPath)
{
    const auto readPicture = [](const QString& path, QPixmap& into, const char* what) {
        if (path.isEmpty())
            return;
        QPixmap picture(path);
        if (picture.isNull()) {
            qCWarning(lcBanner) << what << "picture" << path << "cannot be read; keeping the previous one";
            return;
        }
        into = picture;
        qCInfo(lcBanner) << what << "picture" << path << picture.size();
    };
    readPicture(backJpgPath, m_back, "background");
    readPicture(logoJpgPath, m_logo, "logo");

    const QSize area = m_backdrop->size();
    if (!m_back.isNull() && !area.isEmpty()) {
        // Cover the whole strip without distorting the picture; the overflow is cut
        // evenly on both sides.
        const QPixmap scaled = m_back.scaled(area, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        m_backdrop->setPixmap(scaled.copy(
            QRect(QPoint((scaled.width() - area.width()) / 2, (scaled.height() - area.height()) / 2), area)));
    }
    placeLogo();
    m_phraseBox->backdropChanged();
}

void BannerWindow::placeLogo()
{
    if (m_logo.isNull())
        return;
    // The logo keeps its proportions and never grows taller than the banner.
    const int bannerHeight = m_backdrop->height();
    QPixmap shown = m_logo;
    if (bannerHeight > 0 && shown.height() > bannerHeight)
        shown = shown.scaledToHeight(bannerHeight, Qt::SmoothTransformation);
    m_logoLabel->setPixmap(shown);
    m_logoLabel->setGeometry(0, (bannerHeight - shown.height()) / 2, shown.width(), shown.height());
    m_logoLabel->show();
}

void BannerWindow::setTextColours(bool whiteOnBlack)
{
    if (whiteOnBlack)
        m_phraseBox->setColours(Qt::white, Qt::black);
    else
        m_phraseBox->setColours(Qt::black, Qt::white);
}

void BannerWindow::setPhraseText(const QString& text)
{
    const QString shown = phraseForDisplay(text);
    m_referenceLabel->setText(shown);
    // The reference label fits its width to its caption, so a pass lasts as long as this phrase
    // needs to cross the banner wholly.
    m_reference.width = phraseAdvance(QFontMetricsF(m_font, this), shown) * m_tpp;
    m_phraseBox->setText(shown);
}

void BannerWindow::setPhraseGeometry(const TwipsRect& rect) { m_phraseBox->setTwipsGeometry(rect); }

double BannerWindow::phraseLeft() const { return m_phraseBox->twipsGeometry().left; }

void BannerWindow::setPhraseLeft(double left) { m_phraseBox->setLeftTwips(left); }

double BannerWindow::phraseWidth() const { return m_phraseBox->twipsGeometry().width; }

}
