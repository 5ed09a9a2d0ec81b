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

const QString kDegrees = QStringLiteral(" \u00B0");

}

TEST(WeatherSlots, HoursFallInTheirSlotAtEveryBoundary)
{
    struct Case {
        int hour;
        ForecastSlot slot;
        QString temperature;
        int pictogram;
    };
    const Case cases[] = {
        {0, ForecastSlot::Evening, "20", 5},    {6, ForecastSlot::Evening, "20", 5},
        {7, ForecastSlot::Morning, "11", 1},    {11, ForecastSlot::Morning, "11", 1},
        {12, ForecastSlot::Noon, "12", 3},      {13, ForecastSlot::Noon, "12", 3},
        {14, ForecastSlot::Afternoon, "14", 4}, {19, ForecastSlot::Afternoon, "14", 4},
        {20, ForecastSlot::Evening, "20", 5},   {23, ForecastSlot::Evening, "20", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hour);
        EXPECT_EQ(forecastSlotForHour(c.hour), c.slot);
        QStringList lstMeteo;
        test::RecordingDisplay display;
        EXPECT_TRUE(showForecastForHour(c.hour, kDocument, lstMeteo, display));
        EXPECT_EQ(display.temperature, c.temperature + kDegrees);
        EXPECT_EQ(display.pictogram, c.pictogram);
    }
}

TEST(WeatherSlots, DaytimeSlotsListWordThenTemperatureAndShowBoth)
{
    QStringList lstMeteo;
    test::RecordingDisplay display;
    ASSERT_TRUE(ShowNoonForecast(kDocument, lstMeteo, display));
    EXPECT_EQ(lstMeteo, QStringList({"averse", "12"}));
    EXPECT_EQ(display.calls, QStringList({"temperature 12" + kDegrees, "pictogram 3"}));
}

TEST(WeatherSlots, TemperatureIsShownAsItStandsWithBlanks)
{
    QStringList lstMeteo;
    test::RecordingDisplay display;
    ASSERT_TRUE(ShowMorningForecast("<pictos_matin>voile</pictos_matin><tempe_matin> 12 </tempe_matin>", lstMeteo,
                                    display));
    EXPECT_EQ(display.temperature, " 12 " + kDegrees);
    EXPECT_EQ(display.pictogram, 2);

    // A word with a blank is not in the table: mist, and the temperature still shows.
    ASSERT_TRUE(ShowAfternoonForecast("<pictos_apmidi> soleil</pictos_apmidi><tempe_apmidi>-2</tempe_apmidi>",
                                      lstMeteo, display));
    EXPECT_EQ(display.temperature, "-2" + kDegrees);
    EXPECT_EQ(display.pictogram, 0);
}

TEST(WeatherSlots, EveningShowsTheMoonWhateverTheWords)
{
    const QString sunnyAllDay = kDocument;
    QString rainyAllDay = kDocument;
    rainyAllDay.replace("soleil", "pluieforte");
    for (const QString& doc : {sunnyAllDay, rainyAllDay, QStringLiteral("<tempe_soir>3</tempe_soir>")}) {
        QStringList lstMeteo;
        test::RecordingDisplay display;
        ASSERT_TRUE(ShowEveningForecast(doc, lstMeteo, display));
        EXPECT_EQ(display.pictogram, 5);
        EXPECT_EQ(lstMeteo.size(), 1);
        EXPECT_EQ(display.temperature, lstMeteo.value(0) + kDegrees);
    }
}

TEST(WeatherSlots, AMalformedElementLeavesTheDisplayAsItWas)
{
    struct Case {
        const char* what;
        int hour;
        QString document;
        QStringList listed;
    };
    const Case cases[] = {
        {"word never closed", 8, "<pictos_matin>soleil<tempe_matin>11</tempe_matin>", {}},
        {"temperature never closed", 8, "<pictos_matin>soleil</pictos_matin><tempe_matin>11", {"soleil"}},
        {"closing tag alone", 12, "<pictos_midi>averse</pictos_midi>12</tempe_midi>", {"averse"}},
        {"closing before opening", 21, "</tempe_soir><tempe_soir>20", {}},
        {"empty document", 15, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList lstMeteo;
        test::RecordingDisplay display;
        display.temperature = "previous";
        display.pictogram = 2;
        EXPECT_FALSE(showForecastForHour(c.hour, c.document, lstMeteo, display));
        EXPECT_TRUE(display.calls.isEmpty()) << display.calls.join(", ").toStdString();
        EXPECT_EQ(display.temperature, "previous");
        EXPECT_EQ(display.pictogram, 2);
        EXPECT_EQ(lstMeteo, c.listed);
    }
}
