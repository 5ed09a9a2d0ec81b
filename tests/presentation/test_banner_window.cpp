#include "app/core/timings.h"
#include "presentation/banner_cycle.h"
#include "presentation/frm_phrase.h"
#include "presentation/window_raiser.h"
#include "support/temp_tree.h"
#include "test_banner_fakes.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>

#include <gtest/gtest.h>

using namespace zepril;

namespace {
QRect screenRect() { return QGuiApplication::primaryScreen()->geometry(); }

// The box's text colour is in the grab wherever a glyph is.
int pixelsOf(const QImage& image, QColor colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}
}

TEST(FrmPhraseWindow, LoadLaysTheStripAlongTheBottom)
{
    FrmPhrase banner;
    EXPECT_TRUE(banner.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(banner.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(banner.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(banner.windowFlags() & Qt::X11BypassWindowManagerHint);
    EXPECT_TRUE(banner.testAttribute(Qt::WA_ShowWithoutActivating));

    banner.load(resolveBannerSettings("10", "40", "6"));
    const QRect s = screenRect();
    const int expectedHeight = qRound(s.height() / 6.0);
    EXPECT_TRUE(banner.isVisible());
    EXPECT_EQ(banner.geometry(), QRect(s.left(), s.bottom() + 1 - expectedHeight, s.width(), expectedHeight));
    EXPECT_EQ(banner.tphrase2()->geometry(), QRect(0, 0, s.width(), expectedHeight));
    EXPECT_TRUE(banner.tphrase()->isHidden());
    EXPECT_TRUE(banner.tphraseTxt()->text().isEmpty()); // the load clears the design text
    // Nothing but the background until the first pass: no empty bar of box colour.
    const QImage idle = banner.grab().toImage();
    EXPECT_EQ(idle.pixelColor(s.width() - 5, expectedHeight / 2), QColor(Qt::black)); // no skin yet
    banner.setTextColours(false); // a white box would show on the black background
    EXPECT_EQ(banner.grab().toImage().pixelColor(s.width() - 5, expectedHeight / 2), QColor(Qt::black));
    EXPECT_DOUBLE_EQ(banner.screenWidth(), s.width() * banner.twipsPerPixel());
    EXPECT_DOUBLE_EQ(banner.scrollStep(), 10);
    // The phrase is vertically centred.
    const QRect box = banner.tphraseTxt()->geometry();
    EXPECT_LE(std::abs(box.center().y() - expectedHeight / 2), 1);
}

TEST(FrmPhraseWindow, ReferenceFitsThePhraseAndTheBoxTakesItsPlace)
{
    FrmPhrase banner;
    banner.load(resolveBannerSettings("10", "40", "6"));
    test::RecordingRaiser raiser;
    PhraseList list;
    list.load({"BIENVENUE A L'HOTEL"});
    BannerCycle cycle(banner, raiser, list, Timings::production());
    cycle.TimeCycleBandeau_Timer();

    const double advance = QFontMetricsF(banner.tphraseTxt()->font(), &banner).horizontalAdvance("BIENVENUE A L'HOTEL");
    EXPECT_NEAR(banner.phraseWidth(), advance * banner.twipsPerPixel(), 0.01);
    EXPECT_EQ(banner.tphraseTxt()->text(), "BIENVENUE A L'HOTEL");
    EXPECT_DOUBLE_EQ(banner.phraseLeft(), banner.screenWidth());
    EXPECT_EQ(banner.tphraseTxt()->geometry().left(), screenRect().width());

    // The real window ends its pass the same way: about (screen + phrase) / step ticks.
    int ticks = 0;
    while (cycle.passRunning() && ticks < 100000) {
        cycle.TimerDefilant_Timer();
        ++ticks;
    }
    const double expected = std::floor((banner.screenWidth() + banner.phraseWidth()) / 10) + 1;
    EXPECT_NEAR(ticks, expected, 1);
}

TEST(FrmPhraseWindow, PhraseMovesByFractionsOfAPixel)
{
    FrmPhrase banner;
    banner.load(resolveBannerSettings("10", "40", "6"));
    banner.setPhraseText("WELCOME");
    banner.setPhraseGeometry(banner.referenceGeometry());
    ASSERT_DOUBLE_EQ(banner.twipsPerPixel(), 15);

    banner.setPhraseLeft(3000); // 200 px
    const QImage at0 = banner.grab().toImage();
    const int x0 = banner.tphraseTxt()->x();
    banner.setPhraseLeft(3005); // a third of a pixel further right
    const QImage atThird = banner.grab().toImage();
    banner.setPhraseLeft(3010);
    const QImage atTwoThirds = banner.grab().toImage();

    // The widget stays on its pixel, but what it paints moves.
    EXPECT_EQ(banner.tphraseTxt()->x(), x0);
    EXPECT_NE(at0, atThird);
    EXPECT_NE(atThird, atTwoThirds);
    banner.setPhraseLeft(3015);
    EXPECT_EQ(banner.tphraseTxt()->x(), x0 + 1);
}

TEST(FrmPhraseWindow, TextColoursFollowTheSetting)
{
    FrmPhrase banner;
    banner.load(resolveBannerSettings("10", "40", "6"));
    banner.setPhraseText("MMMM");
    banner.setPhraseGeometry(banner.referenceGeometry());
    banner.setPhraseLeft(1500);

    banner.setTextColours(true);
    QImage img = banner.tphraseTxt()->grab().toImage();
    EXPECT_GT(pixelsOf(img, Qt::white), 50);
    EXPECT_GT(pixelsOf(img, Qt::black), pixelsOf(img, Qt::white));

    banner.setTextColours(false);
    img = banner.tphraseTxt()->grab().toImage();
    EXPECT_GT(pixelsOf(img, Qt::black), 50);
    EXPECT_GT(pixelsOf(img, Qt::white), pixelsOf(img, Qt::black));
}

TEST(FrmPhraseWindow, SkinPicturesAndAMissingOne)
{
    test::TempTree tree;
    QImage back(64, 16, QImage::Format_RGB32);
    back.fill(QColor(200, 30, 30));
    ASSERT_TRUE(back.save(tree.path("back.jpg"), "JPG", 95));
    QImage logo(40, 40, QImage::Format_RGB32);
    logo.fill(QColor(30, 30, 200));
    ASSERT_TRUE(logo.save(tree.path("logo.jpg"), "JPG", 95));

    FrmPhrase banner;
    banner.load(resolveBannerSettings("10", "40", "6"));
    banner.setSkin(tree.path("back.jpg"), tree.path("logo.jpg"));

    const QImage shown = banner.grab().toImage();
    const QColor middle = shown.pixelColor(shown.width() / 2, 2);
    EXPECT_NEAR(middle.red(), 200, 12);
    EXPECT_NEAR(middle.blue(), 30, 12);
    // The logo at the left end, centred vertically, at its own size.
    EXPECT_EQ(banner.pboxLogo()->geometry(), QRect(0, (banner.height() - 40) / 2, 40, 40));
    const QColor logoPixel = shown.pixelColor(20, banner.height() / 2);
    EXPECT_NEAR(logoPixel.blue(), 200, 12);

    // A picture that cannot be read leaves the previous one in place.
    banner.setSkin(tree.path("missing.jpg"), tree.write("broken.jpg", "not a picture"));
    const QImage after = banner.grab().toImage();
    EXPECT_EQ(after.pixelColor(after.width() / 2, 2), middle);
    EXPECT_EQ(after.pixelColor(20, banner.height() / 2), logoPixel);
}

TEST(FrmPhraseWindow, LogoTallerThanTheBannerIsScaledDown)
{
    test::TempTree tree;
    QImage logo(300, 600, QImage::Format_RGB32);
    logo.fill(Qt::green);
    ASSERT_TRUE(logo.save(tree.path("logo.jpg"), "JPG"));
    FrmPhrase banner;
    banner.load(resolveBannerSettings("10", "40", "6"));
    banner.setSkin(QString(), tree.path("logo.jpg"));
    EXPECT_EQ(banner.pboxLogo()->height(), banner.height());
    EXPECT_NEAR(banner.pboxLogo()->width(), banner.height() / 2.0, 1);
}

TEST(WindowRaising, RaiseShowsAHiddenWindowWithoutMovingIt)
{
    QWidget main;
    main.setGeometry(10, 20, 300, 200);
    FrmPhrase banner;
    banner.load(resolveBannerSettings("10", "40", "6"));
    banner.hide();
    const QRect where = banner.geometry();

    QtWindowRaiser raiser;
    raiser.setWindow(StackedWindow::Main, &main);
    raiser.setWindow(StackedWindow::Banner, &banner);
    raiser.raise(StackedWindow::Banner);
    raiser.raise(StackedWindow::Main);
    raiser.raise(StackedWindow::Overlay); // not built yet: skipped, no crash

    EXPECT_TRUE(banner.isVisible());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(banner.geometry(), where);
    EXPECT_EQ(main.geometry(), QRect(10, 20, 300, 200));
    EXPECT_FALSE(banner.isActiveWindow());
    EXPECT_EQ(raiser.topFirst(), QList<StackedWindow>({StackedWindow::Main, StackedWindow::Banner}));
}

TEST(WindowRaising, StripsAManagedWindowCannotCoverGoToTheBottom)
{
    using W = StackedWindow;
    const QList<W> managed{W::Main};
    // Between passes: only the banner has to leave the top band.
    EXPECT_EQ(windowsToLower({W::Overlay, W::Main, W::Banner}, managed), QList<W>({W::Banner}));
    // During a pass nothing is below the video that should be above it.
    EXPECT_EQ(windowsToLower({W::Banner, W::Overlay, W::Main}, managed), QList<W>());
    // Halfway through the end of a pass the overlay would go down too: this is why
    // the lowering waits until the run of raises is over.
    EXPECT_EQ(windowsToLower({W::Main, W::Banner, W::Overlay}, managed), QList<W>({W::Banner, W::Overlay}));
    EXPECT_EQ(windowsToLower({W::Overlay, W::Main, W::Banner}, {}), QList<W>());
}

TEST(WindowRaising, EndOfPassRunLeavesEveryWindowShownInPlace)
{
    QWidget main;
    main.setGeometry(QGuiApplication::primaryScreen()->geometry());
    main.show();
    FrmPhrase banner;
    banner.load(resolveBannerSettings("10", "40", "6"));
    QtWindowRaiser raiser;
    raiser.setWindow(StackedWindow::Main, &main);
    raiser.setWindow(StackedWindow::Banner, &banner);
    const QRect where = banner.geometry();

    raiser.raise(StackedWindow::Banner);
    raiser.raise(StackedWindow::Main);
    QCoreApplication::processEvents(); // the queued lowering runs
    EXPECT_TRUE(banner.isVisible());
    EXPECT_EQ(banner.geometry(), where);
    EXPECT_EQ(raiser.topFirst(), QList<StackedWindow>({StackedWindow::Main, StackedWindow::Banner}));
}
