#include "presentation/banner_window.h"

#include "core/clock.h"
#include "core/fallback_phrase.h"
#include "core/logging.h"
#include "presentation/server_picture_strip.h"
#include "presentation/strip_window.h"
#include "presentation/window_raiser.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
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

PhraseTextBox::PhraseTextBox(QWidget* parent, const QLabel* backdrop) : QWidget(parent), m_backdrop(backdrop)
{
    setObjectName(QStringLiteral("tphraseTxt"));
    // The box paints every pixel it covers, so nothing below has to be painted first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    m_staticText.setTextFormat(Qt::PlainText);
    m_staticText.setPerformanceHint(QStaticText::ModerateCaching);
}

void PhraseTextBox::setText(const QString& text)
{
    m_text = text;
    m_staticText.setText(text);
    m_staticText.prepare(QTransform(), font());
    // An empty box would still be a bar of its background colour across the banner
    // (after the load, before the first pass, and for a blank phrase).
    if (m_strip)
        m_strip->setVisible(!text.isEmpty());
    else
        setVisible(!text.isEmpty());
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
    m_strip = strip;
    m_strip->setVisible(isVisibleTo(parentWidget()));
    m_strip->setRedraw([this] { repaintBox(); });
    hide();
    redraw();
}

void PhraseTextBox::backdropChanged()
{
    repaintBox();
}

void PhraseTextBox::repaintBox()
{
    // While drawings handed over ahead still wait in the server, the last of them is
    // what the strip will show; drawing the box where it is now would step it back.
    if (!m_strip) {
        update();
        return;
    }
    drawOnStrip(m_strip->waiting() ? m_onStrip : Placement{geometry(), m_phase});
    m_strip->flush();
}

bool PhraseTextBox::drawsAhead() const
{
    return m_strip && m_strip->drawsAhead();
}

void PhraseTextBox::drawAhead(const std::vector<PhraseFrame>& frames)
{
    if (!drawsAhead())
        return;
    // The times count from one reading: sending may hold this thread, and must not delay them.
    const double now = m_strip->clock().steadyMs();
    for (const PhraseFrame& frame : frames) {
        m_strip->waitUntil(now + frame.inMs);
        drawOnStrip(placementAt(frame.left));
    }
    m_strip->flush();
}

void PhraseTextBox::dropTiles()
{
    if (m_strip)
        for (auto it = m_tiles.keyBegin(); it != m_tiles.keyEnd(); ++it)
            m_strip->forget(*it);
    m_tiles.clear();
}

void PhraseTextBox::redraw()
{
    dropTiles();
    repaintBox();
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

PhraseTextBox::Placement PhraseTextBox::placementAt(double left) const
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
    const auto [target, phase] = placementAt(m_rect.left);
    const bool moved = geometry() != target;
    const bool changed = moved || phase != m_phase;
    // A move by whole pixels repaints what it exposes by itself.
    if (!m_strip && (phase != m_phase || target.size() != size()))
        update();
    m_phase = phase;
    if (moved)
        setGeometry(target);
    // The box only moves left: a tile past the banner's left edge is not seen again this pass.
    for (auto it = m_tiles.begin(); it != m_tiles.end();) {
        if ((it.key() / kPhases + 1) * kTileWidth + x() > 0) {
            ++it;
            continue;
        }
        if (m_strip)
            m_strip->forget(it.key());
        it = m_tiles.erase(it);
    }
    if (m_strip && changed && !m_strip->waiting()) {
        drawOnStrip({target, phase});
        m_strip->flush();
    }
}

QImage PhraseTextBox::stripBackdrop(const QRect& row) const
{
    QImage image(row.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    const QPixmap back = m_backdrop ? m_backdrop->pixmap() : QPixmap();
    if (!back.isNull()) {
        QPainter p(&image);
        p.drawPixmap(QPoint(), back, row);
    }
    return image;
}

void PhraseTextBox::drawOnStrip(const Placement& at)
{
    m_onStrip = at;
    if (!m_strip->isVisible() || !parentWidget())
        return;
    const QRect row(0, at.box.y(), parentWidget()->width(), at.box.height());
    if (m_strip->geometry() != row)
        m_strip->setGeometry(row);
    constexpr qint64 kBackdropKey = -1;
    const QPixmap back = m_backdrop ? m_backdrop->pixmap() : QPixmap();
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
    // Inside the box, the server's copies of the tiles.
    const int from = std::max(left + 1, 0), to = std::min(right - 1, w);
    for (int i = std::max(0, (from - left) / kTileWidth); left + i * kTileWidth < to; ++i) {
        const int tileLeft = left + i * kTileWidth;
        const int a = std::max(from, tileLeft), b = std::min(to, tileLeft + kTileWidth);
        const qint64 key = qint64(i) * kPhases + at.phase;
        if (!m_strip->holds(key))
            m_strip->keep(key, tile(i, at.phase, at.box.width()));
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
        const QImage& box = tile(index, at.phase, at.box.width());
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

    // What shows beside the box in the first and last columns is the banner's background.
    const QPixmap back = m_backdrop ? m_backdrop->pixmap() : QPixmap();
    for (const int x : {0, width() - 1}) {
        const QRect column = QRect(x, 0, 1, height()) & event->rect();
        if (column.isEmpty())
            continue;
        if (back.isNull())
            p.fillRect(column, Qt::black);
        else
            p.drawPixmap(column, back, column.translated(pos()));
    }
    const QRect area = event->rect();
    for (int i = std::max(0, area.left() / kTileWidth); i * kTileWidth <= area.right(); ++i)
        p.drawImage(i * kTileWidth, 0, tile(i, m_phase, width()));
}

BannerWindow::BannerWindow(QWidget* parent)
    : QWidget(parent, stripWindowFlags()),
      m_backdrop(new QLabel(this)),
      m_pboxLogo(new QLabel(this)),
      m_tphrase(new QLabel(this)),
      m_tphraseTxt(new PhraseTextBox(this, m_backdrop))
{
    setObjectName(QStringLiteral("frmPhrase_ZEPRIL"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);

    m_backdrop->setObjectName(QStringLiteral("tphrase2"));
    m_backdrop->setAutoFillBackground(true);
    QPalette black = m_backdrop->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_backdrop->setPalette(black);
    m_pboxLogo->setObjectName(QStringLiteral("pboxLogo"));
    // Until the skin gives a logo there is nothing to show; an empty window of its own
    // would cover the phrase.
    m_pboxLogo->hide();
    m_tphrase->setObjectName(QStringLiteral("tphrase"));
    m_tphrase->setTextFormat(Qt::PlainText);
    m_tphrase->hide();

    // The phrase slides under the logo rather than over it.
    m_tphraseTxt->stackUnder(m_pboxLogo);
    // Only the strip and the logo need windows of their own. Qt would give one to every
    // sibling of a native widget, and the hidden box would then be moved on the server
    // at every tick.
    const bool nativeSiblings = !QCoreApplication::testAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    if (auto* strip = ServerPictureStrip::create(this)) {
        // A native strip hides whatever Qt draws of its parent beneath it: the logo
        // needs a window of its own, raised above the strip's.
        m_pboxLogo->winId();
        m_pboxLogo->raise();
        m_tphraseTxt->drawOn(strip);
        qCInfo(lcBanner) << "the phrase is drawn by the X server from pictures it keeps";
    }
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings, !nativeSiblings);

    m_font = QFont(QStringLiteral("Arial"));
    m_tphrase->setFont(m_font);
    m_tphraseTxt->setBoxFont(m_font);
    m_tphrase->setText(fallbackPhrase());
    m_tphraseTxt->setText(fallbackPhrase());
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

    m_tphrase->clear();
    m_tphraseTxt->setText(QString());

    m_font.setPointSizeF(settings.fontPoints > 0 ? settings.fontPoints : BannerSettings{}.fontPoints);
    m_tphrase->setFont(m_font);
    m_tphraseTxt->setBoxFont(m_font);

    m_loaded = true;
    layOut(screen);
    m_reference = m_layout.reference;
    m_tphrase->setGeometry(twipsToPixels(m_reference, m_tpp));
    m_tphraseTxt->setTwipsGeometry(m_layout.phrase);
    qCInfo(lcBanner) << "banner laid out at" << geometry() << "font" << settings.fontPoints
                     << "pt, step" << m_scrollStep << "twips per tick";
    raiseWindow(this);
}

void BannerWindow::layOut(QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!m_loaded || !screen)
        return;
    m_tpp = zepril::twipsPerPixel(screen->logicalDotsPerInch());
    m_tphraseTxt->setTwipsPerPixel(m_tpp);

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
    m_pboxLogo->setGeometry(twipsToPixels(m_layout.logo, m_tpp));
    // A phrase under way keeps its place along the banner and its width; it is centred
    // again in the new height.
    m_reference.top = m_layout.reference.top;
    m_reference.height = m_layout.reference.height;
    m_tphrase->setGeometry(twipsToPixels(m_reference, m_tpp));
    TwipsRect box = m_tphraseTxt->twipsGeometry();
    box.top = m_layout.phrase.top;
    box.height = m_layout.phrase.height;
    m_tphraseTxt->setTwipsGeometry(box);

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
        m_backdrop->setPixmap(scaled.copy(QRect(QPoint((scaled.width() - area.width()) / 2,
                                                       (scaled.height() - area.height()) / 2),
                                                area)));
    }
    placeLogo();
    m_tphraseTxt->backdropChanged();
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
    m_pboxLogo->setPixmap(shown);
    m_pboxLogo->setGeometry(0, (bannerHeight - shown.height()) / 2, shown.width(), shown.height());
    m_pboxLogo->show();
}

void BannerWindow::setTextColours(bool whiteOnBlack)
{
    if (whiteOnBlack)
        m_tphraseTxt->setColours(Qt::white, Qt::black);
    else
        m_tphraseTxt->setColours(Qt::black, Qt::white);
}

void BannerWindow::setPhraseText(const QString& text)
{
    const QString shown = phraseForDisplay(text);
    m_tphrase->setText(shown);
    // tphrase fits its width to its caption, so a pass lasts as long as this phrase
    // needs to cross the banner wholly.
    m_reference.width = phraseAdvance(QFontMetricsF(m_font, this), shown) * m_tpp;
    m_tphraseTxt->setText(shown);
}

void BannerWindow::setPhraseGeometry(const TwipsRect& rect)
{
    m_tphraseTxt->setTwipsGeometry(rect);
}

double BannerWindow::phraseLeft() const
{
    return m_tphraseTxt->twipsGeometry().left;
}

void BannerWindow::setPhraseLeft(double left)
{
    m_tphraseTxt->setLeftTwips(left);
}

double BannerWindow::phraseWidth() const
{
    return m_tphraseTxt->twipsGeometry().width;
}

}
