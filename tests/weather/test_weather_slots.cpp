// Reading the forecast document and choosing the slot of the hour.
#include "recording_display.h"
#include "weather/weather_extract.h"
#include "weather/weather_slots.h"

#include <gtest/gtest.h>

#include <optional>

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

TEST(WeatherExtract, TakesTheTextBetweenTheFirstOpeningAndTheFirstClosingTag)
{
    struct Row {
        const char* document;
        std::optional<QString> value;
    };
    const Row rows[] = {
        {"<t>12</t><t>30</t>", "12"},             // first occurrence only
        {"<t>  7 \r\n</t>", "  7 \r\n"},          // blanks and line breaks are kept
        {"<t><b>7</b></t>", "<b>7</b>"},
        {"<t></t>", ""},                          // empty is a value, not a failure
        {"<t>a<t>b</t>", "a<t>b"},                // both tags searched from the start
        {"<t2>1</t2><t>9</t>", "9"},              // a longer name is another element
        {"<T>9</T>", std::nullopt},               // case-sensitive
        {"<t >9</t>", std::nullopt},
        {"<t attr=\"x\">9</t>", std::nullopt},
        {"", std::nullopt},
        {"<t>12", std::nullopt},                  // cut before the closing tag
        {"12</t>", std::nullopt},
        {"</t><t>12", std::nullopt},              // closing before opening
        {"</t>x<t>12</t>", std::nullopt},
        {"<t</t>>", std::nullopt},                // closing inside the opening
    };
    for (const Row& row : rows)
        EXPECT_EQ(extractElement(QString::fromUtf8(row.document), "t"), row.value) << row.document;
    // Non-ASCII text before the element does not shift the value.
    EXPECT_EQ(extractElement(QStringLiteral("<titre>Météo été</titre><t>-3</t>"), "t"), QString("-3"));
}

TEST(WeatherSlots, HoursFallInTheirSlotAtEveryBoundaryAndTheEveningIsAlwaysTheMoon)
{
    QString rainyAllDay = kDocument;
    rainyAllDay.replace("soleil", "pluieforte");
    using S = ForecastSlot;
    struct Case {
        int hour;
        S slot;
        QString document;
        QStringList listed;
        int pictogram;
    };
    const Case cases[] = {
        {0, S::Evening, kDocument, {"20"}, 5},               {6, S::Evening, kDocument, {"20"}, 5},
        {7, S::Morning, kDocument, {"soleil", "11"}, 1},     {11, S::Morning, kDocument, {"soleil", "11"}, 1},
        {12, S::Noon, kDocument, {"averse", "12"}, 3},       {13, S::Noon, kDocument, {"averse", "12"}, 3},
        {14, S::Afternoon, kDocument, {"oragefort", "14"}, 4}, {19, S::Afternoon, kDocument, {"oragefort", "14"}, 4},
        {20, S::Evening, kDocument, {"20"}, 5},              {23, S::Evening, kDocument, {"20"}, 5},
        {21, S::Evening, rainyAllDay, {"20"}, 5},            {3, S::Evening, "<tempe_soir>3</tempe_soir>", {"3"}, 5},
        // The temperature shows as it stands; a word with a blank is not in the table.
        {8, S::Morning, "<pictos_matin>voile</pictos_matin><tempe_matin> 12 </tempe_matin>", {"voile", " 12 "}, 2},
        {15, S::Afternoon, "<pictos_apmidi> soleil</pictos_apmidi><tempe_apmidi>-2</tempe_apmidi>", {" soleil", "-2"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hour);
        EXPECT_EQ(forecastSlotForHour(c.hour), c.slot);
        QStringList lstMeteo;
        test::RecordingDisplay display;
        EXPECT_TRUE(showForecastForHour(c.hour, c.document, lstMeteo, display));
        EXPECT_EQ(lstMeteo, c.listed);
        EXPECT_EQ(display.calls, QStringList({"temperature " + c.listed.last() + kDegrees,
                                              QStringLiteral("pictogram %1").arg(c.pictogram)}));
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
        EXPECT_FALSE(showForecastForHour(c.hour, c.document, lstMeteo, display));
        EXPECT_TRUE(display.calls.isEmpty()) << display.calls.join(", ").toStdString();
        EXPECT_EQ(lstMeteo, c.listed);
    }
}
