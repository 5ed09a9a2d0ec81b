#include "recording_display.h"
#include "weather/weather_slots.h"

#include <gtest/gtest.h>

// Each hour at a slot's boundary shows that slot's values (each slot has its own, so a mix-up shows); a
// malformed element shows nothing and leaves in forecastValues only what was extracted before it.
TEST(WeatherSlots, HoursFallInTheirSlotAndAMalformedElementLeavesTheDisplayAsItWas)
{
    const QString d = QStringLiteral(
        "<rss><pictos_matin>soleil</pictos_matin><tempe_matin>11</tempe_matin><pictos_midi>averse</pictos_midi>"
        "<tempe_midi>12</tempe_midi><pictos_apmidi>orageloc</pictos_apmidi><tempe_apmidi>14</tempe_apmidi>"
        "<tempe_soir>20</tempe_soir></rss>");
    struct Case { int hour; QString document; QStringList listed; int pictogram; }; // -1: nothing shown
    const Case cases[] = {
        {6, d, {"20"}, 5}, {7, d, {"soleil", "11"}, 1}, {11, d, {"soleil", "11"}, 1}, {12, d, {"averse", "12"}, 3},
        {13, d, {"averse", "12"}, 3}, {14, d, {"orageloc", "14"}, 4}, {19, d, {"orageloc", "14"}, 4},
        {20, d, {"20"}, 5}, {8, "<pictos_matin>voile</pictos_matin><tempe_matin> 9</tempe_matin>", {"voile", " 9"}, 2},
        {8, "<pictos_matin>soleil<tempe_matin>11</tempe_matin>", {}, -1},
        {8, "<pictos_matin>soleil</pictos_matin><tempe_matin>11", {"soleil"}, -1},
        {12, "<pictos_midi>averse</pictos_midi>12</tempe_midi>", {"averse"}, -1},
        {21, "</tempe_soir><tempe_soir>20", {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hour << " " << c.document.toStdString());
        QStringList forecastValues;
        zepril::test::RecordingDisplay display;
        EXPECT_EQ(zepril::showForecastForHour(c.hour, c.document, forecastValues, display), c.pictogram >= 0);
        EXPECT_EQ(forecastValues, c.listed);
        const QStringList shown{"temperature " + c.listed.value(c.listed.size() - 1) + " \u00B0",
                                QStringLiteral("pictogram %1").arg(c.pictogram)};
        EXPECT_EQ(display.calls, c.pictogram < 0 ? QStringList() : shown);
    }
}
