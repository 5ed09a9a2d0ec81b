#include "weather/weather_extract.h"

#include <gtest/gtest.h>

using zepril::extractElement;

TEST(WeatherExtract, TakesTheTextBetweenTheFirstTagsExactly)
{
    const QString doc = QStringLiteral("<meteo><tempe_matin>12</tempe_matin><tempe_matin>30</tempe_matin></meteo>");
    EXPECT_EQ(extractElement(doc, "tempe_matin"), QString("12"));

    // Blanks, line breaks and markup inside the element are part of the value.
    EXPECT_EQ(extractElement("<tempe_soir>  7 \r\n</tempe_soir>", "tempe_soir"), QString("  7 \r\n"));
    EXPECT_EQ(extractElement("<tempe_soir><b>7</b></tempe_soir>", "tempe_soir"), QString("<b>7</b>"));

    // An element present but empty is an empty value, not a failure.
    const auto empty = extractElement("<pictos_midi></pictos_midi>", "pictos_midi");
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->isEmpty());
}

TEST(WeatherExtract, FirstOpeningAndFirstClosingAreSearchedSeparately)
{
    // A later occurrence with other text never replaces the first.
    const QString doc = QStringLiteral("<pictos_matin>soleil</pictos_matin>\n<pictos_matin>averse</pictos_matin>");
    EXPECT_EQ(extractElement(doc, "pictos_matin"), QString("soleil"));

    // Both tags are taken from their first occurrence, even when another opening tag
    // of the same name comes between them.
    EXPECT_EQ(extractElement("<t>a<t>b</t>", "t"), QString("a<t>b"));
}

TEST(WeatherExtract, TagsMatchExactlyAndCaseSensitively)
{
    EXPECT_FALSE(extractElement("<Tempe_soir>9</Tempe_soir>", "tempe_soir"));
    EXPECT_FALSE(extractElement("<tempe_soir >9</tempe_soir>", "tempe_soir"));
    EXPECT_FALSE(extractElement("<tempe_soir attr=\"x\">9</tempe_soir>", "tempe_soir"));
    // A longer element name that starts the same way is another element.
    EXPECT_EQ(extractElement("<tempe_soir2>1</tempe_soir2><tempe_soir>9</tempe_soir>", "tempe_soir"), QString("9"));
    // Non-ASCII text before the element does not shift the value.
    EXPECT_EQ(extractElement(QString::fromUtf8("<titre>Météo été</titre><tempe_midi>-3</tempe_midi>"), "tempe_midi"),
              QString("-3"));
}

TEST(WeatherExtract, MissingOrMisplacedTagsFail)
{
    EXPECT_FALSE(extractElement("", "tempe_soir"));
    EXPECT_FALSE(extractElement("<tempe_soir>12", "tempe_soir"));                 // cut before the closing tag
    EXPECT_FALSE(extractElement("12</tempe_soir>", "tempe_soir"));                // closing tag alone
    EXPECT_FALSE(extractElement("</tempe_soir><tempe_soir>12", "tempe_soir"));    // closing before opening
    EXPECT_FALSE(extractElement("</tempe_soir>x<tempe_soir>12</tempe_soir>", "tempe_soir"));
    EXPECT_FALSE(extractElement("<tempe_soir</tempe_soir>>", "tempe_soir"));      // closing inside the opening
    EXPECT_FALSE(extractElement("<tempe_matin>1</tempe_matin>", "tempe_soir"));
}
