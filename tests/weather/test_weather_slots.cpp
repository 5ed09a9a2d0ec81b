#include "recording_display.h"
#include "weather/weather_slots.h"

#include <gtest/gtest.h>

using namespace zepril;

namespace {
// Every slot has its own word and temperature, so a slot mix-up cannot go unnoticed.
const QString kDocument = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><ville>x</ville>"
    "<pictos_matin>soleil</pictos_matin><tempe_matin>11</tempe_matin>"
    "<pictos_midi>averse</pictos_midi><tempe_midi>12</tempe_midi>"
    "<pictos_apmidi>oragefort</pictos_apmidi><tempe_apmidi>14</tempe_apmidi>"
    "<tempe_soir>20</tempe_soir></rss>");
}

// Each hour at a slot's boundary shows that slot's values; a malformed element shows
// nothing and leaves in lstMeteo only what was extracted before it.
TEST(WeatherSlots, HoursFallInTheirSlotAndAMalformedElementLeavesTheDisplayAsItWas)
{
    struct Case {
        int hour;
        QString document;
        QStringList listed;
        int pictogram; // -1: nothing shown
    };
    const Case cases[] = {
        {0, kDocument, {"20"}, 5},                 {6, kDocument, {"20"}, 5},
        {7, kDocument, {"soleil", "11"}, 1},       {11, kDocument, {"soleil", "11"}, 1},
        {12, kDocument, {"averse", "12"}, 3},      {13, kDocument, {"averse", "12"}, 3},
        {14, kDocument, {"oragefort", "14"}, 4},   {19, kDocument, {"oragefort", "14"}, 4},
        {20, kDocument, {"20"}, 5},                {23, kDocument, {"20"}, 5},
        // The temperature shows as it stands; a word with a blank is not in the table.
        {8, "<pictos_matin>voile</pictos_matin><tempe_matin> 12 </tempe_matin>", {"voile", " 12 "}, 2},
        {15, "<pictos_apmidi> soleil</pictos_apmidi><tempe_apmidi>-2</tempe_apmidi>", {" soleil", "-2"}, 0},
        {8, "<pictos_matin>soleil<tempe_matin>11</tempe_matin>", {}, -1},
        {8, "<pictos_matin>soleil</pictos_matin><tempe_matin>11", {"soleil"}, -1},
        {12, "<pictos_midi>averse</pictos_midi>12</tempe_midi>", {"averse"}, -1},
        {21, "</tempe_soir><tempe_soir>20", {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hour << " " << c.document.toStdString());
        QStringList lstMeteo;
        test::RecordingDisplay display;
        EXPECT_EQ(showForecastForHour(c.hour, c.document, lstMeteo, display), c.pictogram >= 0);
        EXPECT_EQ(lstMeteo, c.listed);
        const QStringList shown{"temperature " + c.listed.value(c.listed.size() - 1) + QStringLiteral(" \u00B0"),
                                QStringLiteral("pictogram %1").arg(c.pictogram)};
        EXPECT_EQ(display.calls, c.pictogram >= 0 ? shown : QStringList());
    }
}
