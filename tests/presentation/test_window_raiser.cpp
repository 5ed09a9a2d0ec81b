#include "presentation/strip_window.h"
#include "presentation/window_raiser.h"

#include <QEvent>
#include <QtCore/qtestsupport_core.h>
#include <QWidget>

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

namespace {
struct Strip final : QWidget {
    Strip() : QWidget(nullptr, stripWindowFlags()) {}
    bool event(QEvent* e) override { return restacks += e->type() == QEvent::ZOrderChange, QWidget::event(e); }
    int restacks = 0;
};
}

TEST(WindowRaiser, RestacksOnlyAWindowThatMayNotBeOnTop)
{
    Strip banner, overlay;
    QtWindowRaiser raiser;
    raiser.setWindow(W::Banner, &banner), raiser.setWindow(W::Overlay, &overlay);
    const auto raise = [&](std::initializer_list<W> windows) {
        for (const W w : windows)
            raiser.raise(w);
        return std::pair(banner.restacks, overlay.restacks);
    };
    EXPECT_EQ(raise({W::Banner, W::Banner, W::Banner}), std::pair(1, 0));
    EXPECT_EQ(raise({W::Overlay, W::Banner, W::Banner}), std::pair(2, 1)); // raised again after another one
    banner.hide();
    EXPECT_EQ(raise({W::Banner}), std::pair(3, 1));
    EXPECT_TRUE(banner.isVisible());
    QWidget other; // a window that takes the focus may cover the banner
    other.show(), other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.isActiveWindow(); }, 5000));
    EXPECT_EQ(raise({W::Banner, W::Banner}), std::pair(4, 1));
}
