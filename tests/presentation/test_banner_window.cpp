#include "core/text_codec.h"
#include "core/timings.h"
#include "presentation/banner_cycle.h"
#include "presentation/banner_window.h"
#include "presentation/server_picture_strip.h"
#include "presentation/window_raiser.h"
#include "support/core_fakes.h"
#include "support/temp_tree.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QScreen>
#include <QtCore/qtestsupport_core.h>
#include <QtWidgets/qtestsupport_widgets.h>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>

using namespace zepril;

namespace {
QRect screenRect() { return QGuiApplication::primaryScreen()->geometry(); }

struct OnePhrase final : PhraseSource {
    int currentPhrase() const override { return 0; }
    void setCurrentPhrase(int) override {}
    int phraseTotal() const override { return 1; }
    std::optional<QString> selectPhrase(int) override { return text; }
    QString text;
};

// The banner with no skin as the phrase box and its text drawn at `left` pixels in one
// go would look, against what is shown: the worst grey-level difference.
int worstDifferenceFromOneDrawing(const BannerWindow& banner, double left, const QImage& shown)
{
    const QRect box = banner.phraseBox()->geometry();
    QImage expected(banner.size(), QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter p(&expected);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(banner.phraseBox()->font());
    p.fillRect(QRectF(left, box.y(), banner.phraseWidth() / banner.twipsPerPixel(), box.height()), Qt::white);
    p.drawStaticText(QPointF(left, box.y()), QStaticText(banner.phraseBox()->text()));
    p.end();
    const QImage rgb = shown.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            worst = std::max(worst, std::abs(qGray(rgb.pixel(x, y)) - qGray(expected.pixel(x, y))));
    return worst;
}

// Phrases that measure nothing, about a pixel, or a great deal, in any script or
// direction, cross the banner as a short phrase does (a box as wide as its text, from
// the right edge until it has left), by the same calls on the X path and the Qt path.
void passEveryKindOfPhrase(BannerWindow& banner)
{
    banner.load(resolveBannerSettings("150", "40", "6"));
    test::TempTree tree;
    QImage logo(40, 40, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    ASSERT_TRUE(logo.save(tree.path("logo.png")));
    banner.setSkin(QString(), tree.path("logo.png"));
    banner.setTextColours(false); // white boxes on the black background
    auto* strip = banner.findChild<ServerPictureStrip*>();
    ASSERT_EQ(strip != nullptr, QGuiApplication::platformName() == QStringLiteral("xcb"));
    const auto shown = [&] {
        QTest::qWait(20);
        return strip ? (strip->finish(), QGuiApplication::primaryScreen()->grabWindow(banner.winId()).toImage())
                     : banner.grab().toImage();
    };
    QtWindowRaiser raiser;
    OnePhrase phrase;
    test::FakeClock clock;
    BannerCycle cycle(banner, raiser, phrase, clock, Timings::production());
    int passTicks = 0;
    QObject::connect(&cycle, &BannerCycle::passEnded, [&](int ticks) { passTicks = ticks; });
    const double tpp = banner.twipsPerPixel();
    const auto u = [](const char16_t* text) { return QString::fromUtf16(text); };
    for (const QString& text : {decodeText("\xad"), u(u"\u200b"), u(u"\u200a"), u(u"\u0301\u20dd"),
                                u(u"\u200e\u2066\u2069\ufeff"), u(u"     "), u(u"\u0645\u0631 \u05d1\u05e8"),
                                u(u"WELCOME \u0645\u0631\u062d \u6b22\u8fce \u200f\u0414\u043e!"),
                                u(u"\u0645\u0631\u062d\u0628\u0627 WELCOME \u0301").repeated(300)}) {
        phrase.text = text;
        cycle.startPass();
        const double width = banner.phraseWidth();
        // Woken every fortieth tick, as a busy thread would be; the pass goes by the time.
        for (int wakeUps = 0; cycle.passRunning() && wakeUps < 10'000; ++wakeUps)
            clock.steady += 600, cycle.scrollTick();
        const int ticks = int(std::floor((banner.screenWidth() + width) / banner.scrollStep())) + 1;
        while (strip && strip->waiting()) // drawings of the pass handed over ahead
            QTest::qWait(20);
        // Placed at 100 pixels: the logo, the box's top left corner, the backdrop before it.
        banner.setPhraseGeometry(banner.referenceGeometry());
        banner.setPhraseLeft(100 * tpp);
        const int boxWidth = int(std::ceil(width / tpp)), y = banner.phraseBox()->y();
        const QImage image = shown();
        EXPECT_EQ(std::tuple(passTicks, banner.phraseBox()->width(), image.pixelColor(20, banner.height() / 2),
                             image.pixelColor(101, y), image.pixelColor(98, y + 2)),
                  std::tuple(ticks, boxWidth, QColor(Qt::blue), QColor(boxWidth >= 3 ? Qt::white : Qt::black),
                             QColor(Qt::black)))
            << text.left(20).toStdString();
    }
    for (int i = 0; i < 32; ++i) { // boxes of no column, part of one and one, at every eighth of a pixel
        const double pixels = std::array{0.0, 0.125, 1.0, 1.5}[size_t(i / 8)];
        banner.setPhraseGeometry({(100 + i % 8 / 8.0) * tpp, 0, pixels * tpp, banner.referenceGeometry().height});
        EXPECT_EQ(shown().pixelColor(20, banner.height() / 2), QColor(Qt::blue)) << i;
    }
}

class BannerWindowTest : public ::testing::Test {
protected:
    void SetUp() override { banner.load(resolveBannerSettings("10", "40", "6")); }
    BannerWindow banner;
};
}

TEST_F(BannerWindowTest, LoadLaysTheStripAlongTheBottomWithNothingButTheBackground)
{
    const QRect s = screenRect();
    const int h = qRound(s.height() / 6.0);
    // Shown, along the bottom, the reference hidden and the design text cleared.
    EXPECT_EQ(std::tuple(banner.isVisible(), banner.geometry(), banner.backdropLabel()->geometry(),
                         banner.referenceLabel()->isHidden(), banner.phraseBox()->text()),
              std::tuple(true, QRect(s.left(), s.bottom() + 1 - h, s.width(), h), QRect(0, 0, s.width(), h), true,
                         QString()));
    EXPECT_LE(std::abs(banner.phraseBox()->geometry().center().y() - h / 2), 1);
    banner.setTextColours(false); // a white box would show on the black background
    EXPECT_EQ(banner.grab().toImage().pixelColor(s.width() - 5, h / 2), QColor(Qt::black));

    // A phrase over several tiles, drawn where its left says to an eighth of a pixel:
    // as the box and its text drawn there at once would look.
    banner.setPhraseText(QStringLiteral("BIENVENUE A L'HOTEL - WELCOME - BIENVENIDOS"));
    banner.setPhraseGeometry(banner.referenceGeometry());
    banner.setPhraseLeft(40.375 * banner.twipsPerPixel());
    EXPECT_LE(worstDifferenceFromOneDrawing(banner, 40.375, banner.grab().toImage()), 2);
}

// Run under Xvfb by its own test (see CMakeLists.txt): there the X server draws the box.
TEST_F(BannerWindowTest, OnXTheServerDrawsThePhraseAsOneDrawingWould)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    ASSERT_TRUE(banner.phraseBox()->drawnByServer());
    // The hidden box only holds the geometry: no window of its own to move every tick.
    EXPECT_EQ(banner.phraseBox()->internalWinId(), 0u);
    // Kept above the video even under a window manager: the server hands it to none.
    xcb_connection_t* c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, banner.winId()), nullptr), &std::free);
    ASSERT_TRUE(attributes);
    EXPECT_TRUE(attributes->override_redirect);
    banner.setTextColours(false);
    banner.setPhraseText(QStringLiteral("BIENVENUE A L'HOTEL - WELCOME - BIENVENIDOS"));
    banner.setPhraseGeometry(banner.referenceGeometry());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&banner));
    auto* strip = banner.findChild<ServerPictureStrip*>();
    ASSERT_TRUE(strip && strip->drawsAhead());
    // The strip draws on a connection of its own: what it sent is on the screen once it has
    // been carried out there.
    const auto now = [&] { return QGuiApplication::primaryScreen()->grabWindow(banner.winId()).toImage(); };
    const auto shown = [&] { return strip->finish(), now(); };
    // Inside the banner, across its left edge (tiles left behind are dropped), then
    // drawn again after the window was covered and shown again.
    for (const double left : {40.375, 700.5, -300.625}) {
        banner.setPhraseLeft(left * banner.twipsPerPixel());
        EXPECT_LE(worstDifferenceFromOneDrawing(banner, left, shown()), 2) << left;
    }
    banner.hide();
    banner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&banner));
    QTest::qWait(50);
    EXPECT_LE(worstDifferenceFromOneDrawing(banner, -300.625, shown()), 2);

    // A place handed over ahead is drawn when it is due, not before; an exposure while it
    // waits, or a move of the box meanwhile, draws nothing that would step it back.
    const double tpp = banner.twipsPerPixel();
    banner.setPhraseLeft(40.375 * tpp);
    EXPECT_LE(worstDifferenceFromOneDrawing(banner, 40.375, shown()), 2);
    banner.drawPhraseAhead({{300, 650.25 * tpp}, {400, 700.5 * tpp}});
    EXPECT_LE(worstDifferenceFromOneDrawing(banner, 40.375, now()), 2);
    banner.hide();
    banner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&banner));
    QTest::qWait(50);
    banner.setPhraseLeft(60.125 * tpp);
    EXPECT_LE(worstDifferenceFromOneDrawing(banner, 700.5, shown()), 2);

    // Tiles the box has left behind are dropped from the server as it goes: a long
    // phrase crossing the banner keeps at most a screen's width of them, in every phase.
    banner.setPhraseText(QStringLiteral("BIENVENUE A L'HOTEL - WELCOME - BIENVENIDOS ").repeated(5));
    banner.setPhraseGeometry(banner.referenceGeometry());
    for (double left = 0; left > -5000; left -= 7.125)
        banner.setPhraseLeft(left * banner.twipsPerPixel());
    EXPECT_LE(strip->pictureCount(), 1 + 8 * (banner.width() / 256 + 2));

    // The logo stays above the strip the phrase is drawn on.
    test::TempTree tree;
    QImage logo(40, 40, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    ASSERT_TRUE(logo.save(tree.path("logo.png")));
    banner.setSkin(QString(), tree.path("logo.png"));
    banner.setPhraseLeft(0);
    QTest::qWait(50);
    EXPECT_EQ(shown().pixelColor(20, banner.phraseBox()->geometry().center().y()), QColor(Qt::blue));
}

TEST_F(BannerWindowTest, APassLastsAsLongAsItsShownPhraseIsWideAndTheLogQuotesItShort)
{
    QtWindowRaiser raiser; // no window registered: raising does nothing
    OnePhrase phrase;
    test::FakeClock clock;
    BannerCycle cycle(banner, raiser, phrase, clock, Timings::production());
    QLoggingCategory::setFilterRules(QStringLiteral("zepril.banner.debug=true"));
    test::LogCapture log("zepril.banner");
    const QString megabyte = QStringLiteral("BIENVENUE ").repeated(100'000);
    for (const auto& [text, shown] : {std::pair<QString, QString>{"BIENVENUE A L'HOTEL", "BIENVENUE A L'HOTEL"},
                                      {megabyte, megabyte.left(kMaxShownPhraseChars) + QChar(0x2026)}}) {
        SCOPED_TRACE(text.size());
        phrase.text = text;
        log.lines.clear();
        cycle.startPass();
        EXPECT_TRUE(banner.phraseBox()->text() == shown) << banner.phraseBox()->text().size() << " characters";
        const double tpp = banner.twipsPerPixel();
        const double width = banner.phraseWidth();
        const double advance = QFontMetricsF(banner.phraseBox()->font(), &banner).horizontalAdvance(shown) * tpp;
        EXPECT_NEAR(width, advance, advance * 1e-3);
        EXPECT_DOUBLE_EQ(banner.phraseLeft(), screenRect().width() * tpp);
        EXPECT_EQ(std::pair(banner.phraseBox()->x(), banner.phraseBox()->width()),
                  std::pair(screenRect().width(), int(std::ceil(width / tpp))));
        int ticks = 0;
        for (; cycle.passRunning() && ticks < 1'000'000; ++ticks)
            clock.steady += 15, cycle.scrollTick();
        EXPECT_EQ(ticks, int(std::floor((screenRect().width() * tpp + width) / banner.scrollStep())) + 1);
        ASSERT_FALSE(log.lines.isEmpty());
        for (const QString& line : log.lines)
            EXPECT_LT(line.size(), kMaxLoggedPhraseChars + 100) << line.left(200).toStdString();
    }
    QLoggingCategory::setFilterRules(QString());
}

TEST_F(BannerWindowTest, EveryKindOfPhrasePassesHarmlessly) { passEveryKindOfPhrase(banner); }
TEST_F(BannerWindowTest, OnXEveryKindOfPhrasePassesHarmlessly) { passEveryKindOfPhrase(banner); }

TEST_F(BannerWindowTest, SkinPicturesAndBadOnes)
{
    test::TempTree tree;
    const auto jpeg = [&](const QString& name, int width, int height, QColor colour) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        return image.save(tree.path(name), "JPG", 95);
    };
    ASSERT_TRUE(jpeg("back.jpg", 64, 16, QColor(200, 30, 30)) && jpeg("logo.jpg", 40, 40, QColor(30, 30, 200)));
    banner.setSkin(tree.path("back.jpg"), tree.path("logo.jpg"));
    banner.setPhraseText(QStringLiteral("BIENVENUE")); // passing under the logo, not over it
    banner.setPhraseGeometry(banner.referenceGeometry()), banner.setPhraseLeft(0);
    const QImage shown = banner.grab().toImage();
    const QColor middle = shown.pixelColor(shown.width() / 2, 2);
    const QColor logoPixel = shown.pixelColor(20, banner.height() / 2);
    EXPECT_TRUE(std::abs(middle.red() - 200) <= 12 && std::abs(middle.blue() - 30) <= 12) << qPrintable(middle.name());
    EXPECT_NEAR(logoPixel.blue(), 200, 12);
    // The logo at the left end, centred vertically, at its own size.
    EXPECT_EQ(banner.logoLabel()->geometry(), QRect(0, (banner.height() - 40) / 2, 40, 40));

    // A picture that cannot be read leaves the previous one in place.
    banner.setSkin(tree.path("missing.jpg"), tree.write("broken.jpg", "not a picture"));
    const QImage after = banner.grab().toImage();
    EXPECT_EQ(std::pair(after.pixelColor(after.width() / 2, 2), after.pixelColor(20, banner.height() / 2)),
              std::pair(middle, logoPixel));

    // A logo taller than the banner is scaled down to its height.
    ASSERT_TRUE(jpeg("tall.jpg", 300, 600, Qt::green));
    banner.setSkin(QString(), tree.path("tall.jpg"));
    EXPECT_EQ(banner.logoLabel()->height(), banner.height());
    EXPECT_NEAR(banner.logoLabel()->width(), banner.height() / 2.0, 1);
}
