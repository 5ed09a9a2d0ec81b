#include "presentation/window_raiser.h"

#include <gtest/gtest.h>

using namespace zepril;
using W = StackedWindow;

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
