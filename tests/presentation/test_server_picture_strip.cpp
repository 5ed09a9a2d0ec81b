#include "presentation/server_picture_strip.h"

#include "support/core_fakes.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtWidgets/qtestsupport_widgets.h>
#include <gtest/gtest.h>

using namespace zepril;

// Our clock racing ahead of the server's (a clock sped up for a test of days, or one
// that runs at another pace) would leave drawings waiting ever longer, and the thread
// that sends them stuck once the server stops reading them: the strip draws when due.
TEST(ServerPictureStripTest, OnXAServerClockThatNoLongerKeepsPaceEndsTheDrawingsAhead)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    test::FakeClock clock;
    clock.steady = 1000;
    QWidget window;
    window.resize(64, 16);
    ServerPictureStrip* strip = ServerPictureStrip::create(&window, &clock);
    ASSERT_TRUE(strip && strip->drawsAhead());
    strip->setGeometry(0, 0, 64, 16);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Grabbed on Qt's connection, which never waits.
    const auto now = [&] {
        return QGuiApplication::primaryScreen()->grabWindow(window.winId()).toImage().pixelColor(32, 8);
    };
    const auto shown = [&] { return strip->finish(), now(); };
    QImage red(64, 16, QImage::Format_RGB32), blue(64, 16, QImage::Format_RGB32);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    strip->keep(1, red);
    strip->keep(2, blue);
    strip->copy(1, QRect(0, 0, 64, 16), QPoint());
    EXPECT_EQ(shown(), QColor(Qt::red));

    // Handed over a minute ahead: still waiting, nothing of it drawn.
    strip->waitUntil(clock.steady + 60000);
    strip->copy(2, QRect(0, 0, 64, 16), QPoint());
    strip->flush();
    EXPECT_TRUE(strip->waiting());
    EXPECT_EQ(now(), QColor(Qt::red)) << "drawn before its time";

    // Ten seconds later by our clock, well under one by the server's.
    clock.steady += 10000;
    test::LogCapture log("zepril.banner");
    strip->waitUntil(clock.steady + 300);
    EXPECT_FALSE(strip->drawsAhead());
    EXPECT_FALSE(strip->waiting());
    ASSERT_EQ(log.warnings.size(), 1);
    EXPECT_TRUE(log.warnings.front().contains("no longer keeps pace")) << log.warnings.front().toStdString();
    // From now on a drawing is on the screen as soon as it is sent, on Qt's connection.
    strip->copy(2, QRect(0, 0, 64, 16), QPoint());
    strip->flush();
    EXPECT_EQ(now(), QColor(Qt::blue));
    strip->waitUntil(clock.steady + 300);
    strip->copy(1, QRect(0, 0, 64, 16), QPoint());
    strip->flush();
    EXPECT_EQ(now(), QColor(Qt::red));
    EXPECT_EQ(log.warnings.size(), 1);
}
