#include "core/timings.h"
#include "presentation/banner_cycle.h"
#include "presentation/window_raiser.h"

#include <QHash>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

using namespace zepril;
using W = StackedWindow;

namespace {

class RecordingRaiser final : public WindowRaiser {
public:
    void raise(StackedWindow window) override
    {
        raised.append(window);
        order.raise(window);
    }
    QList<StackedWindow> raised;
    StackingOrder order;
};

// A banner surface whose phrase widths are chosen by the test.
class FakeSurface final : public BannerSurface {
public:
    void setPhraseText(const QString& text) override
    {
        reference.width = widths.value(text, 6000);
        phraseText = text;
    }
    TwipsRect referenceGeometry() const override { return reference; }
    void setReferenceLeft(double left) override { reference.left = left; }
    void setPhraseGeometry(const TwipsRect& rect) override { phrase = rect; }
    double phraseLeft() const override { return phrase.left; }
    void setPhraseLeft(double left) override { phrase.left = left; }
    double phraseWidth() const override { return phrase.width; }
    double screenWidth() const override { return 19200; }
    double scrollStep() const override { return step; }

    double step = 30;
    QHash<QString, double> widths;
    TwipsRect reference{0, 300, 19200, 900};
    TwipsRect phrase;
    QString phraseText;
};

// The welcome texts as the main screen keeps them, reloaded as a texts refresh does.
class Phrases final : public PhraseSource {
public:
    void load(const QStringList& phrases) { items = phrases, index = 0; }
    int phraseIndex() const override { return index; }
    void setPhraseIndex(int i) override { index = i; }
    int phraseCount() const override { return int(items.size()); }
    std::optional<QString> selectPhrase(int i) override
    {
        return i >= 0 && i < items.size() ? std::optional<QString>(items.at(i)) : std::nullopt;
    }
    QStringList items;
    int index = 0;
};

struct Rig {
    explicit Rig(const QStringList& phrases) : cycle(surface, raiser, list, timings) { list.load(phrases); }
    // Finishes the running pass (starting one first when asked); returns its ticks.
    int runPass(bool start = true)
    {
        if (start)
            cycle.TimeCycleBandeau_Timer();
        int ticks = 0;
        for (; cycle.passRunning() && ticks < 100000; ++ticks)
            cycle.TimerDefilant_Timer();
        return ticks;
    }
    QStringList passTexts(int passes)
    {
        QStringList shown;
        for (int i = 0; i < passes; ++i) {
            runPass();
            shown << surface.phraseText;
        }
        return shown;
    }

    Timings timings = Timings::production();
    FakeSurface surface;
    RecordingRaiser raiser;
    Phrases list;
    BannerCycle cycle;
};
}

TEST(BannerCycle, PassEndsOnlyStrictlyBeyondMinusTheWidth)
{
    Rig rig({"phrase"});
    rig.cycle.TimeCycleBandeau_Timer();
    EXPECT_DOUBLE_EQ(rig.surface.phrase.left, 19200);
    EXPECT_DOUBLE_EQ(rig.surface.phrase.width, 6000);
    for (int i = 0; i < 840; ++i)
        rig.cycle.TimerDefilant_Timer();
    // Exactly minus the width: the box still touches the edge.
    EXPECT_DOUBLE_EQ(rig.surface.phrase.left, -6000);
    EXPECT_TRUE(rig.cycle.passRunning());
    rig.cycle.TimerDefilant_Timer();
    EXPECT_FALSE(rig.cycle.passRunning());
    EXPECT_EQ(rig.cycle.passTicks(), 841);
    EXPECT_DOUBLE_EQ(rig.surface.phrase.left, 19200); // waits off screen for the next pass

    // A fractional step reaches exactly -6000 after 3360 ticks.
    Rig frac({"phrase"});
    frac.surface.step = 7.5;
    EXPECT_EQ(frac.runPass(), 3361);
    // Each pass takes the width its own phrase had when it started.
    Rig two({"short", "a much longer phrase"});
    two.surface.widths = {{"short", 1500}, {"a much longer phrase", 9000}};
    EXPECT_EQ(two.runPass(), 691);
    EXPECT_EQ(two.runPass(), 941);
}

TEST(BannerCycle, PhrasesComeInListOrderAndWrap)
{
    Rig three({"one", "two", "three"});
    EXPECT_EQ(three.passTexts(7), QStringList({"one", "two", "three", "one", "two", "three", "one"}));
    EXPECT_EQ(three.list.index, 1);
    Rig single({"only"});
    EXPECT_EQ(single.passTexts(3), QStringList({"only", "only", "only"}));
    Rig blank({"first", "", "third"}); // an empty line is a blank phrase, not skipped
    EXPECT_EQ(blank.passTexts(3), QStringList({"first", "", "third"}));
    Rig lost({"one", "two", "three"}); // an index out of range starts over instead of stalling
    lost.list.index = 7;
    EXPECT_EQ(lost.passTexts(2), QStringList({"one", "two"}));
}

TEST(BannerCycle, RefreshDuringAPassLetsItFinishWithItsText)
{
    Rig rig({"one", "two", "three"});
    rig.runPass();
    rig.cycle.TimeCycleBandeau_Timer();
    ASSERT_EQ(rig.surface.phraseText, "two");
    for (int i = 0; i < 100; ++i)
        rig.cycle.TimerDefilant_Timer();
    rig.list.load({"new"});
    EXPECT_EQ(rig.runPass(false) + 100, 841);
    EXPECT_EQ(rig.surface.phraseText, "two");
    EXPECT_EQ(rig.passTexts(2), QStringList(2, "new"));
}

TEST(BannerCycle, StackingOverOneCycle)
{
    Rig rig({"one"});
    rig.surface.step = 13000; // two ticks to cross
    rig.raiser.raise(W::Overlay); // first showing of the overlay
    rig.cycle.TimeCycleBandeau_Timer();
    EXPECT_EQ(rig.raiser.order.topFirst(), QList<W>({W::Overlay, W::Banner}));
    rig.cycle.TimerDefilant_Timer();
    EXPECT_EQ(rig.raiser.order.topFirst(), QList<W>({W::Banner, W::Overlay}));
    rig.cycle.TimerDefilant_Timer();
    ASSERT_FALSE(rig.cycle.passRunning());
    EXPECT_EQ(rig.raiser.raised,
              QList<W>({W::Overlay, W::Banner, W::Overlay, W::Banner, W::Banner, W::Main, W::Overlay}));
    // Between passes the video covers the banner, and the overlay stays on top.
    EXPECT_EQ(rig.raiser.order.topFirst(), QList<W>({W::Overlay, W::Main, W::Banner}));
}

TEST(BannerCycle, ExactlyOneTimerRunsAndTheRealTimersDriveTheCycle)
{
    Rig rig({"one", "two"});
    EXPECT_EQ(rig.cycle.timerDefilant().timerType(), Qt::PreciseTimer);
    rig.cycle.setCycleIntervalMs(12000);
    rig.cycle.start();
    EXPECT_TRUE(rig.cycle.timeCycleBandeau().isActive());
    EXPECT_FALSE(rig.cycle.timerDefilant().isActive());
    rig.cycle.TimeCycleBandeau_Timer();
    EXPECT_FALSE(rig.cycle.timeCycleBandeau().isActive());
    EXPECT_TRUE(rig.cycle.timerDefilant().isActive());
    rig.runPass(false);
    // The pause is counted from the end of the pass, not from its start.
    EXPECT_TRUE(rig.cycle.timeCycleBandeau().isActive());
    EXPECT_FALSE(rig.cycle.timerDefilant().isActive());
    EXPECT_EQ(rig.cycle.timeCycleBandeau().interval(), 12000);

    QStringList shown;
    QObject::connect(&rig.cycle, &BannerCycle::passStarted, [&](const QString& text) { shown << text; });
    rig.surface.step = 13000; // two ticks a pass
    rig.cycle.setCycleIntervalMs(10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() >= 2; }, 5000));
    EXPECT_EQ(shown.mid(0, 2), QStringList({"two", "one"}));

    // Nothing to show at all: no pass, and the pause timer keeps its turn.
    Rig none({});
    none.cycle.start();
    none.cycle.TimeCycleBandeau_Timer();
    EXPECT_FALSE(none.cycle.passRunning());
    EXPECT_TRUE(none.cycle.timeCycleBandeau().isActive());
    EXPECT_TRUE(none.raiser.raised.isEmpty());
}
