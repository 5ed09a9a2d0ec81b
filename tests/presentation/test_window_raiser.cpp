#include "presentation/banner_window.h"
#include "presentation/window_raiser.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace zepril;
using W = StackedWindow;

TEST(WindowRaiser, RaisingShowsWithoutMovingAndTheQueuedLoweringKeepsItInPlace)
{
    BannerWindow banner;
    banner.load(resolveBannerSettings("10", "40", "6"));
    QWidget main;
    main.setGeometry(10, 20, 300, 200);
    banner.hide();
    const QRect where = banner.geometry();

    QtWindowRaiser raiser;
    raiser.setWindow(W::Main, &main);
    raiser.setWindow(W::Banner, &banner);
    raiser.raise(W::Banner);
    raiser.raise(W::Main);
    raiser.raise(W::Overlay); // not built yet: skipped
    QCoreApplication::processEvents(); // the queued lowering of the banner runs
    EXPECT_TRUE(banner.isVisible());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(banner.geometry(), where);
    EXPECT_EQ(main.geometry(), QRect(10, 20, 300, 200));
    EXPECT_FALSE(banner.isActiveWindow());
    EXPECT_EQ(raiser.topFirst(), QList<W>({W::Main, W::Banner}));
}

TEST(WindowRaiser, StripsAManagedWindowCannotCoverGoToTheBottom)
{
    const QList<W> managed{W::Main};
    EXPECT_EQ(windowsToLower({W::Overlay, W::Main, W::Banner}, managed), QList<W>({W::Banner}));
    EXPECT_EQ(windowsToLower({W::Banner, W::Overlay, W::Main}, managed), QList<W>());
    // Mid-way through the end of a pass the overlay would go down too: this is why
    // the lowering waits until the run of raises is over.
    EXPECT_EQ(windowsToLower({W::Main, W::Banner, W::Overlay}, managed), QList<W>({W::Banner, W::Overlay}));
    EXPECT_EQ(windowsToLower({W::Overlay, W::Main, W::Banner}, {}), QList<W>());
}
