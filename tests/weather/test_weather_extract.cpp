#include "weather/weather_extract.h"

#include <gtest/gtest.h>

#include <optional>

TEST(WeatherExtract, TakesTheTextBetweenTheFirstOpeningAndTheFirstClosingTag)
{
    const std::pair<const char*, std::optional<QString>> rows[] = {
        {"<t>12</t><t>30</t>", "12"}, {"<t>  7 \r\n</t>", "  7 \r\n"}, {"<t></t>", ""}, {"<t>a<t>b</t>", "a<t>b"},
        {"<t2>1</t2><t>9</t>", "9"}, // a longer name is another element
        {"<T>9</T>", std::nullopt}, {"<t attr=\"x\">9</t>", std::nullopt}, {"<t</t>>", std::nullopt},
        {"<titre>Météo été</titre><t>-3</t>", "-3"}}; // non-ASCII text before the element does not shift it
    for (const auto& [document, value] : rows)
        EXPECT_EQ(zepril::extractElement(QString::fromUtf8(document), "t"), value) << document;
}
