#include "core/timings.h"
#include "presentation/banner_cycle.h"
#include "presentation/window_raiser.h"
#include "support/core_fakes.h"

#include <QHash>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

using namespace zepril;
using W = StackedWindow;

namespace {
struct RecordingRaiser final : WindowRaiser {
    void raise(StackedWindow window) override { raised.append(window), order.raise(window); }
    QList<StackedWindow> raised;
    StackingOrder order;
};

// A banner surface whose phrase widths are chosen by the test.
struct FakeSurface final : BannerSurface {
    void setPhraseText(const QString& text) override { reference.width = widths.value(text, 6000), phraseText = text; }
    TwipsRect referenceGeometry() const override { return reference; }
    void setReferenceLeft(double left) override { reference.left = left; }
    void setPhraseGeometry(const TwipsRect& rect) override { phrase = rect; }
    double phraseLeft() const override { return phrase.left; }
    void setPhraseLeft(double left) override { phrase.left = left; }
    double phraseWidth() const override { return phrase.width; }
    double screenWidth() const override { return 19200; }
    double scrollStep() const override { return step; }
    bool drawsPhraseAhead() const override { return clock != nullptr; }
    void drawPhraseAhead(const std::vector<PhraseFrame>& frames) override
    {
        for (const PhraseFrame& frame : frames)
            handed.append({clock->steady, clock->steady + frame.inMs, frame.left});
    }
    const test::FakeClock* clock = nullptr; // set: draws ahead
    QList<std::tuple<double, double, double>> handed; // when, due time, left
    double step = 30;
    QHash<QString, double> widths;
    TwipsRect reference{0, 300, 19200, 900};
    TwipsRect phrase;
    QString phraseText;
};

// The welcome texts as the main screen keeps them.
struct Phrases final : PhraseSource {
    int currentPhrase() const override { return index; }
    void setCurrentPhrase(int i) override { index = i; }
    int phraseTotal() const override { return int(items.size()); }
    std::optional<QString> selectPhrase(int i) override
    {
        return i < 0 || i >= items.size() ? std::nullopt : std::optional(items[i]);
    }
    QStringList items;
    int index = 0;
};

struct Rig {
    explicit Rig(const QStringList& phrases) : cycle(surface, raiser, list, clock, timings) { list.items = phrases; }
    void tick(double afterMs = 15) { clock.steady += afterMs, cycle.scrollTick(); }
    // Returns the ticks of the pass, on time.
    int runPass(bool start = true)
    {
        if (start)
            cycle.startPass();
        int ticks = 0;
        for (; cycle.passRunning() && ticks < 100000; ++ticks)
            tick();
        return ticks;
    }
    QStringList passTexts(int passes)
    {
        QStringList shown;
        while (shown.size() < passes)
            shown << (runPass(), surface.phraseText);
        return shown;
    }
    Timings timings = Timings::production();
    test::FakeClock clock;
    FakeSurface surface;
    RecordingRaiser raiser;
    Phrases list;
    BannerCycle cycle;
};
}

TEST(BannerCycle, PassesEndStrictlyBeyondMinusTheWidthOfTheirOwnPhraseInListOrder)
{
    Rig rig({"phrase"});
    rig.cycle.startPass();
    EXPECT_EQ(std::pair(rig.surface.phrase.left, rig.surface.phrase.width), std::pair(19200.0, 6000.0));
    // 840 steps of 30 reach exactly minus the width, where the box still touches the edge.
    EXPECT_EQ((std::pair{rig.runPass(false), rig.cycle.passTicks()}), std::pair(841, 841));
    EXPECT_DOUBLE_EQ(rig.surface.phrase.left, 19200); // waits off screen for the next pass
    rig.surface.step = 7.5; // a fractional step reaches exactly -6000 too
    EXPECT_EQ(rig.runPass(), 3361);
    Rig two({"short", "a much longer phrase"});
    two.surface.widths = {{"short", 1500}, {"a much longer phrase", 9000}};
    EXPECT_EQ((std::pair{two.runPass(), two.runPass()}), std::pair(691, 941));

    // Phrases come in list order and wrap; a refresh lets the running pass finish with its text.
    Rig three({"one", "", "three"}); // an empty line is a blank phrase, not skipped
    EXPECT_EQ((std::pair{three.passTexts(4), three.list.index}), std::pair(QStringList{"one", "", "three", "one"}, 1));
    Rig lost({"one", "two", "three"}); // an index out of range starts over instead of stalling
    lost.list.index = 7;
    EXPECT_EQ(lost.passTexts(2), QStringList({"one", "two"}));
    lost.cycle.startPass();
    for (int i = 0; i < 100; ++i)
        lost.tick();
    lost.list.items = {"new"}, lost.list.index = 0;
    EXPECT_EQ((std::pair{lost.runPass(false) + 100, lost.surface.phraseText}), std::pair(841, QString("three")));
    EXPECT_EQ(lost.passTexts(2), QStringList(2, "new"));
}

TEST(BannerCycle, ThePhraseIsWhereTheTimeSinceThePassBeganSaysAndEndsWhereCountedTicksEnded)
{
    // 19200 twips in, 6000 wide, 30 per 15 ms: counted ticks ended on the 841st, at -6030.
    using Row = std::tuple<double, double, int, bool>; // elapsed ms -> left, whole ticks, ended
    for (const auto& [elapsed, left, ticks, ended] :
         {Row{-3, 19200, 0, false}, Row{7.5, 19185, 0, false}, Row{105, 18990, 7, false},
          Row{12600, -6000, 840, false}, Row{12615, -6030, 841, true}, Row{1e9, -6030, 841, true}}) {
        const PassPosition at = passPosition(19200, 6000, 30, 15, elapsed);
        EXPECT_EQ(std::tuple(at.left, at.ticks, at.ended), std::tuple(left, ticks, ended)) << elapsed;
    }
    EXPECT_EQ(passPosition(19200, 6000, 0, 15, 1e9).ended, false); // a step of zero never ends a pass

    // A tick 105 ms late puts the phrase where nine ticks on time would have, and a
    // tick far beyond the end ends the pass once, on the tick counted ticks ended on.
    Rig late({"one"});
    late.cycle.startPass(), late.tick(), late.tick(120);
    EXPECT_EQ(std::pair(late.surface.phrase.left, late.cycle.passTicks()), std::pair(19200 - 9 * 30.0, 9));
    QList<int> ended;
    QObject::connect(&late.cycle, &BannerCycle::passEnded, [&](int ticks) { ended << ticks; });
    late.tick(60000);
    EXPECT_EQ(std::tuple(ended, late.cycle.passRunning(), late.surface.phrase.left),
              std::tuple(QList<int>{841}, false, 19200.0));
}

TEST(BannerCycle, ASurfaceThatDrawsAheadIsHandedEveryTickOnceAndTheCycleWakesEverySixTicks)
{
    Rig rig({"phrase"});
    rig.surface.clock = &rig.clock;
    QList<int> ended;
    QObject::connect(&rig.cycle, &BannerCycle::passEnded, [&](int ticks) { ended << ticks; });
    const double start = rig.clock.steady;
    rig.cycle.startPass();
    EXPECT_EQ(rig.cycle.scrollTimer().interval(), 90);
    // Wake-ups on time and one far too late: each tick is handed over once, before it is
    // due and at most twelve ticks before, at the left its time gives, up to the one on
    // which counted ticks ended. Only the ticks already past at the late wake-up are left out.
    for (int wake = 0; rig.cycle.passRunning() && wake < 1000; ++wake)
        rig.tick(wake == 20 ? 400 : 90);
    int tick = 0;
    QList<int> resumedAt;
    for (const auto& [when, due, left] : std::as_const(rig.surface.handed)) {
        const int k = int((due - start) / 15);
        ASSERT_EQ(std::tuple(due - start, left), std::tuple(15.0 * k, 19200 - 30.0 * k)) << k;
        ASSERT_TRUE(due > when && due <= when + 180) << k;
        if (k != tick + 1)
            resumedAt << k;
        tick = k;
    }
    EXPECT_EQ(std::tuple(tick, resumedAt.size(), ended, rig.surface.phrase.left),
              std::tuple(841, 1, QList<int>{841}, 19200.0));
}

TEST(BannerCycle, StackingOverOneCycle)
{
    Rig rig({"one"});
    rig.surface.step = 13000; // two ticks to cross
    rig.raiser.raise(W::Overlay); // first showing of the overlay
    rig.cycle.startPass();
    EXPECT_EQ(rig.raiser.order.topFirst(), QList<W>({W::Overlay, W::Banner}));
    rig.tick();
    EXPECT_EQ(rig.raiser.order.topFirst(), QList<W>({W::Banner, W::Overlay}));
    rig.tick();
    const QList<W> raised{W::Overlay, W::Banner, W::Overlay, W::Banner, W::Banner, W::Main, W::Overlay};
    EXPECT_EQ(rig.raiser.raised, raised);
    // Between passes the video covers the banner, and the overlay stays on top.
    EXPECT_EQ(rig.raiser.order.topFirst(), QList<W>({W::Overlay, W::Main, W::Banner}));
}

TEST(BannerCycle, WithoutPhrasesNoPassStartsAndThePauseGoesOn)
{
    Rig rig({});
    rig.cycle.start();
    rig.cycle.startPass();
    EXPECT_EQ(std::tuple(rig.cycle.pauseTimer().isActive(), rig.cycle.passRunning(), rig.raiser.raised.size()),
              std::tuple(true, false, 0));
}

TEST(BannerCycle, ExactlyOneTimerRunsAndTheRealTimersDriveTheCycle)
{
    Rig rig({"one", "two"});
    const QTimer& pause = rig.cycle.pauseTimer();
    const QTimer& scroll = rig.cycle.scrollTimer();
    EXPECT_EQ(scroll.timerType(), Qt::PreciseTimer);
    rig.cycle.setCycleIntervalMs(12000);
    rig.cycle.start();
    EXPECT_EQ(std::pair(pause.isActive(), scroll.isActive()), std::pair(true, false));
    rig.cycle.startPass();
    EXPECT_EQ(std::pair(pause.isActive(), scroll.isActive()), std::pair(false, true));
    rig.runPass(false); // the pause counts from the end of the pass
    EXPECT_EQ(std::tuple(pause.isActive(), scroll.isActive(), pause.interval()), std::tuple(true, false, 12000));

    QStringList shown;
    QObject::connect(&rig.cycle, &BannerCycle::passStarted, [&](const QString& text) { shown << text; });
    QObject::connect(&scroll, &QTimer::timeout, [&] { rig.clock.steady += 15; });
    rig.surface.step = 13000; // two ticks a pass
    rig.cycle.setCycleIntervalMs(10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() >= 2; }, 5000));
    EXPECT_EQ(shown.mid(0, 2), QStringList({"two", "one"}));
}
