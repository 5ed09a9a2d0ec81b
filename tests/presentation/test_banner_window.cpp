#include "core/timings.h"
#include "presentation/banner_cycle.h"
#include "presentation/banner_window.h"
#include "presentation/window_raiser.h"
#include "support/temp_tree.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLoggingCategory>
#include <QScreen>

#include <gtest/gtest.h>

#include <cmath>

using namespace zepril;

namespace {
QRect screenRect() { return QGuiApplication::primaryScreen()->geometry(); }

int pixelsOf(const QImage& image, QColor colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

class BannerWindowTest : public ::testing::Test {
protected:
    void SetUp() override { banner.load(resolveBannerSettings("10", "40", "6")); }
    // Shows `text` with its box at `left` twips.
    void place(const QString& text, double left)
    {
        banner.setPhraseText(text);
        banner.setPhraseGeometry(banner.referenceGeometry());
        banner.setPhraseLeft(left);
    }
    BannerWindow banner;
};
}

TEST_F(BannerWindowTest, LoadLaysTheStripAlongTheBottom)
{
    const QRect s = screenRect();
    const int h = qRound(s.height() / 6.0);
    EXPECT_TRUE(banner.isVisible());
    EXPECT_EQ(banner.geometry(), QRect(s.left(), s.bottom() + 1 - h, s.width(), h));
    EXPECT_EQ(banner.tphrase2()->geometry(), QRect(0, 0, s.width(), h));
    EXPECT_TRUE(banner.tphrase()->isHidden());
    EXPECT_TRUE(banner.tphraseTxt()->text().isEmpty()); // the load clears the design text
    EXPECT_LE(std::abs(banner.tphraseTxt()->geometry().center().y() - h / 2), 1);
    // Nothing but the background until the first pass: no empty bar of box colour.
    banner.setTextColours(false); // a white box would show on the black background
    EXPECT_EQ(banner.grab().toImage().pixelColor(s.width() - 5, h / 2), QColor(Qt::black));
}

namespace {
struct OnePhrase final : public PhraseSource {
    int phraseIndex() const override { return 0; }
    void setPhraseIndex(int) override {}
    int phraseCount() const override { return 1; }
    std::optional<QString> selectPhrase(int) override { return text; }
    QString text;
};

QStringList s_bannerLog;
void keepBannerLog(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (QByteArray(context.category) == "zepril.banner")
        s_bannerLog << message;
}
}

TEST_F(BannerWindowTest, APassLastsAsLongAsItsShownPhraseIsWideAndTheLogQuotesItShort)
{
    QtWindowRaiser raiser; // no window registered: raising does nothing
    OnePhrase phrase;
    BannerCycle cycle(banner, raiser, phrase, Timings::production());
    QLoggingCategory::setFilterRules(QStringLiteral("zepril.banner.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(keepBannerLog);

    const QString megabyte = QStringLiteral("BIENVENUE ").repeated(100'000);
    const QString ellipsis(QChar(0x2026));
    struct Row { QString phrase, shown; };
    for (const Row& r : {Row{"BIENVENUE A L'HOTEL", "BIENVENUE A L'HOTEL"},
                         Row{megabyte, megabyte.left(kMaxShownPhraseChars) + ellipsis}}) {
        SCOPED_TRACE(r.phrase.size());
        phrase.text = r.phrase;
        s_bannerLog.clear();
        cycle.TimeCycleBandeau_Timer();

        EXPECT_TRUE(banner.tphraseTxt()->text() == r.shown) << banner.tphraseTxt()->text().size() << " characters";
        const double advance = QFontMetricsF(banner.tphraseTxt()->font(), &banner).horizontalAdvance(r.shown);
        const double width = banner.phraseWidth();
        EXPECT_NEAR(width, advance * banner.twipsPerPixel(), advance * banner.twipsPerPixel() * 1e-3);
        const double start = screenRect().width() * banner.twipsPerPixel();
        EXPECT_DOUBLE_EQ(banner.phraseLeft(), start);
        EXPECT_EQ(banner.tphraseTxt()->geometry().left(), screenRect().width());
        EXPECT_EQ(banner.tphraseTxt()->width(), int(std::ceil(width / banner.twipsPerPixel())));

        int ticks = 0;
        while (cycle.passRunning() && ticks < 1'000'000) {
            cycle.TimerDefilant_Timer();
            ++ticks;
        }
        EXPECT_EQ(ticks, int(std::floor((start + width) / banner.scrollStep())) + 1);
        ASSERT_FALSE(s_bannerLog.isEmpty());
        for (const QString& line : s_bannerLog)
            EXPECT_LT(line.size(), kMaxLoggedPhraseChars + 100) << line.left(200).toStdString();
    }
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
}

TEST_F(BannerWindowTest, PhraseMovesByFractionsOfAPixel)
{
    ASSERT_DOUBLE_EQ(banner.twipsPerPixel(), 15);
    place("WELCOME", 3000); // 200 px
    const QImage at0 = banner.grab().toImage();
    const int x0 = banner.tphraseTxt()->x();
    banner.setPhraseLeft(3005); // a third of a pixel further right
    EXPECT_DOUBLE_EQ(banner.phraseLeft(), 3005); // a rounded read-back would stall slow passes
    const QImage atThird = banner.grab().toImage();
    banner.setPhraseLeft(3010);
    // The widget stays on its pixel, but what it paints moves.
    EXPECT_EQ(banner.tphraseTxt()->x(), x0);
    EXPECT_NE(at0, atThird);
    EXPECT_NE(atThird, banner.grab().toImage());
    banner.setPhraseLeft(3015);
    EXPECT_EQ(banner.tphraseTxt()->x(), x0 + 1);
}

TEST_F(BannerWindowTest, TextColoursFollowTheSetting)
{
    place("MMMM", 1500);
    for (const bool whiteOnBlack : {true, false}) {
        SCOPED_TRACE(whiteOnBlack);
        banner.setTextColours(whiteOnBlack);
        const QImage img = banner.tphraseTxt()->grab().toImage();
        const QColor text = whiteOnBlack ? Qt::white : Qt::black;
        const QColor box = whiteOnBlack ? Qt::black : Qt::white;
        EXPECT_GT(pixelsOf(img, text), 50);
        EXPECT_GT(pixelsOf(img, box), pixelsOf(img, text));
    }
}

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

    // A logo taller than the banner is scaled down to its height.
    ASSERT_TRUE(jpeg("tall.jpg", 300, 600, Qt::green));
    banner.setSkin(QString(), tree.path("tall.jpg"));
    EXPECT_EQ(banner.pboxLogo()->height(), banner.height());
    EXPECT_NEAR(banner.pboxLogo()->width(), banner.height() / 2.0, 1);
}
