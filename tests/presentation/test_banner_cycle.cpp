#include "app/core/timings.h"
#include "presentation/banner_cycle.h"
#include "test_banner_fakes.h"

#include <QElapsedTimer>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

using namespace zepril;
using zepril::test::FakeSurface;
using zepril::test::RecordingRaiser;
using W = StackedWindow;

namespace {
struct Rig {
    explicit Rig(const QStringList& phrases, Timings t = Timings::production())
        : timings(t), cycle(surface, raiser, list, timings)
    {
        list.load(phrases);
    }
    // Runs one pass tick by tick; returns the number of ticks it took.
    int runPass(int limit = 100000)
    {
        cycle.TimeCycleBandeau_Timer();
        int ticks = 0;
        while (cycle.passRunning() && ticks < limit) {
            cycle.TimerDefilant_Timer();
            ++ticks;
        }
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

    Timings timings;
    FakeSurface surface;
    RecordingRaiser raiser;
    PhraseList list;
    BannerCycle cycle;
};
}

TEST(BannerCycle, PassLengthFollowsTheStrictEndRule)
{
    Rig rig({"phrase"});
    rig.cycle.TimeCycleBandeau_Timer();
    EXPECT_DOUBLE_EQ(rig.surface.phrase.left, 19200);
    EXPECT_DOUBLE_EQ(rig.surface.phrase.width, 6000);
    for (int i = 0; i < 840; ++i)
        rig.cycle.TimerDefilant_Timer();
    // Exactly minus the width: the box still touches the edge, the pass goes on.
    EXPECT_DOUBLE_EQ(rig.surface.phrase.left, -6000);
    EXPECT_TRUE(rig.cycle.passRunning());
    rig.cycle.TimerDefilant_Timer();
    EXPECT_FALSE(rig.cycle.passRunning());
    EXPECT_EQ(rig.cycle.passTicks(), 841);
    // The box waits beyond the right edge for the next pass.
    EXPECT_DOUBLE_EQ(rig.surface.phrase.left, 19200);

    // A fractional step: (19200 + 6000) / 7.5 = 3360 ticks reach exactly -6000.
    Rig frac({"phrase"});
    frac.surface.step = 7.5;
    EXPECT_EQ(frac.runPass(), 3361);
}

TEST(BannerCycle, PassWidthIsTheOneThePhraseHadWhenItStarted)
{
    Rig rig({"short", "a much longer phrase"});
    rig.surface.widths = {{"short", 1500}, {"a much longer phrase", 9000}};
    EXPECT_EQ(rig.runPass(), 691);  // (19200 + 1500) / 30 + 1
    EXPECT_EQ(rig.runPass(), 941);  // (19200 + 9000) / 30 + 1
}

TEST(BannerCycle, PhrasesComeInListOrderAndWrap)
{
    Rig three({"one", "two", "three"});
    EXPECT_EQ(three.passTexts(7), QStringList({"one", "two", "three", "one", "two", "three", "one"}));
    EXPECT_EQ(three.list.selected(), 0);
    EXPECT_EQ(three.list.phraseIndex(), 1);

    Rig single({"only"});
    EXPECT_EQ(single.passTexts(3), QStringList({"only", "only", "only"}));
    EXPECT_EQ(single.list.phraseIndex(), 0);

    Rig blank({"first", "", "third"}); // an empty line is a blank phrase, not skipped
    EXPECT_EQ(blank.passTexts(3), QStringList({"first", "", "third"}));
}

TEST(BannerCycle, RefreshDuringAPassLetsItFinishWithItsText)
{
    Rig rig({"one", "two", "three"});
    rig.runPass(); // "one"
    rig.cycle.TimeCycleBandeau_Timer();
    ASSERT_EQ(rig.surface.phraseText, "two");
    for (int i = 0; i < 100; ++i)
        rig.cycle.TimerDefilant_Timer();

    rig.list.load({"BIENVENUE - WELCOME"});
    int ticks = 100;
    while (rig.cycle.passRunning()) {
        rig.cycle.TimerDefilant_Timer();
        ++ticks;
    }
    EXPECT_EQ(rig.surface.phraseText, "two");
    EXPECT_EQ(ticks, 841); // the width of the phrase it started with
    EXPECT_EQ(rig.passTexts(3), QStringList({"BIENVENUE - WELCOME", "BIENVENUE - WELCOME", "BIENVENUE - WELCOME"}));
}

TEST(BannerCycle, IndexLeftOutOfRangeStartsOverInsteadOfStalling)
{
    Rig rig({"one", "two", "three"});
    rig.list.setPhraseIndex(7);
    EXPECT_EQ(rig.passTexts(2), QStringList({"one", "two"}));

    // Nothing to show at all: no pass, and the pause timer keeps its turn.
    Rig none({});
    none.cycle.start();
    none.cycle.TimeCycleBandeau_Timer();
    EXPECT_FALSE(none.cycle.passRunning());
    EXPECT_TRUE(none.cycle.timeCycleBandeau().isActive());
    EXPECT_TRUE(none.raiser.raised.isEmpty());
}

TEST(BannerCycle, StackingOverOneCycle)
{
    Rig rig({"one"});
    rig.surface.step = 13000; // two ticks to cross
    rig.raiser.raise(W::Overlay); // first showing of the overlay
    EXPECT_EQ(rig.raiser.order.topFirst(), QList<W>({W::Overlay}));

    rig.cycle.TimeCycleBandeau_Timer();
    EXPECT_EQ(rig.raiser.raised, QList<W>({W::Overlay, W::Banner, W::Overlay}));
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

TEST(BannerCycle, ExactlyOneTimerRunsAndTheScrollTimerIsPrecise)
{
    Rig rig({"one"});
    rig.cycle.setCycleIntervalMs(12000);
    EXPECT_FALSE(rig.cycle.timeCycleBandeau().isActive());
    EXPECT_FALSE(rig.cycle.timerDefilant().isActive());
    EXPECT_EQ(rig.cycle.timerDefilant().interval(), 15);
    EXPECT_EQ(rig.cycle.timerDefilant().timerType(), Qt::PreciseTimer);

    rig.cycle.start();
    EXPECT_TRUE(rig.cycle.timeCycleBandeau().isActive());
    EXPECT_FALSE(rig.cycle.timerDefilant().isActive());

    rig.cycle.TimeCycleBandeau_Timer();
    EXPECT_FALSE(rig.cycle.timeCycleBandeau().isActive());
    EXPECT_TRUE(rig.cycle.timerDefilant().isActive());

    while (rig.cycle.passRunning())
        rig.cycle.TimerDefilant_Timer();
    EXPECT_TRUE(rig.cycle.timeCycleBandeau().isActive());
    EXPECT_EQ(rig.cycle.timeCycleBandeau().interval(), 12000);
}

TEST(BannerCycle, DesignIntervalUntilTheSettingIsApplied)
{
    Timings t;
    t.bannerCycleDesignMs = 5000;
    Rig rig({"one"}, t);
    EXPECT_EQ(rig.cycle.timeCycleBandeau().interval(), 5000);
}

TEST(BannerCycle, EachPauseLastsOneIntervalFromTheEndOfThePass)
{
    Timings t;
    t.scrollTickMs = 2;
    Rig rig({"one", "two"}, t);
    rig.surface.step = 500; // about 50 ticks: a pass as long as the pause
    rig.cycle.setCycleIntervalMs(100);

    QElapsedTimer clock;
    QList<qint64> starts, ends;
    QObject::connect(&rig.cycle, &BannerCycle::passStarted, [&] { starts << clock.elapsed(); });
    QObject::connect(&rig.cycle, &BannerCycle::passEnded, [&] { ends << clock.elapsed(); });
    clock.start();
    rig.cycle.start();

    ASSERT_TRUE(QTest::qWaitFor([&] { return starts.size() >= 3; }, 10000));
    // A pause counted from the start of the previous pass would be nearly nothing
    // here; the pause timer may fire up to 5 % early.
    EXPECT_GE(starts[0], 94);
    for (int i = 1; i < 3; ++i) {
        EXPECT_GE(ends[i - 1] - starts[i - 1], 90) << "pass " << i;
        EXPECT_GE(starts[i] - ends[i - 1], 94) << "pause " << i << " was shorter than the interval";
    }
    EXPECT_EQ(rig.surface.phraseText, "one");
}
