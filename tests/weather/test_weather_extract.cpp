#include "weather/weather_extract.h"

#include <gtest/gtest.h>

#include <optional>

using namespace zepril;

TEST(WeatherExtract, TakesTheTextBetweenTheFirstOpeningAndTheFirstClosingTag)
{
    struct Row {
        const char* document;
        std::optional<QString> value;
    };
    const Row rows[] = {
        {"<t>12</t><t>30</t>", "12"},             // first occurrence only
        {"<t>  7 \r\n</t>", "  7 \r\n"},          // blanks and line breaks are kept
        {"<t></t>", ""},                          // empty is a value, not a failure
        {"<t>a<t>b</t>", "a<t>b"},                // both tags searched from the start
        {"<t2>1</t2><t>9</t>", "9"},              // a longer name is another element
        {"<T>9</T>", std::nullopt},               // case-sensitive
        {"<t attr=\"x\">9</t>", std::nullopt},
        {"<t>12", std::nullopt},                  // cut before the closing tag
        {"12</t>", std::nullopt},
        {"</t>x<t>12</t>", std::nullopt},         // closing before opening
        {"<t</t>>", std::nullopt},                // closing inside the opening
    };
    for (const Row& row : rows)
        EXPECT_EQ(extractElement(QString::fromUtf8(row.document), "t"), row.value) << row.document;
    // Non-ASCII text before the element does not shift the value.
    EXPECT_EQ(extractElement(QStringLiteral("<titre>Météo été</titre><t>-3</t>"), "t"), QString("-3"));
}
