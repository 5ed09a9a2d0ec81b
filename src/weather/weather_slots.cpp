#include "weather/weather_slots.h"

#include "core/logging.h"
#include "weather/pictogram_map.h"
#include "weather/weather_display.h"
#include "weather/weather_extract.h"

#include <optional>

namespace zepril {

namespace {

std::optional<QString> extractInto(const QString& document, const QString& name, QStringList& values)
{
    std::optional<QString> value = extractElement(document, name);
    if (!value) {
        qCWarning(lcWeather) << "forecast element" << name << "not found or malformed; the strip keeps its values";
        return std::nullopt;
    }
    values.append(*value);
    return value;
}

bool showDaytime(const QString& document, QStringList& values, WeatherDisplay& display, const QString& wordElement,
                 const QString& temperatureElement)
{
    const std::optional<QString> word = extractInto(document, wordElement, values);
    if (!word)
        return false;
    const std::optional<QString> temperature = extractInto(document, temperatureElement, values);
    if (!temperature)
        return false;
    qCInfo(lcWeather) << "showing" << temperatureElement << *temperature << "and" << wordElement << *word;
    display.setTemperatureText(temperatureCaption(*temperature));
    showPictogramForWord(display, *word);
    return true;
}

}

ForecastSlot forecastSlotForHour(int hour)
{
    if (hour < 7)
        return ForecastSlot::Evening;
    if (hour < 12)
        return ForecastSlot::Morning;
    if (hour < 14)
        return ForecastSlot::Noon;
    if (hour <= 19)
        return ForecastSlot::Afternoon;
    return ForecastSlot::Evening;
}

const char* forecastSlotName(ForecastSlot slot)
{
    switch (slot) {
    case ForecastSlot::Morning:
        return "morning";
    case ForecastSlot::Noon:
        return "noon";
    case ForecastSlot::Afternoon:
        return "afternoon";
    case ForecastSlot::Evening:
        return "evening";
    }
    return "?";
}

QString temperatureCaption(const QString& temperature) { return temperature + QStringLiteral(" \u00B0"); }

bool showMorningSlot(const QString& document, QStringList& values, WeatherDisplay& display)
{
    return showDaytime(document, values, display, QStringLiteral("pictos_matin"), QStringLiteral("tempe_matin"));
}

bool showNoonSlot(const QString& document, QStringList& values, WeatherDisplay& display)
{
    return showDaytime(document, values, display, QStringLiteral("pictos_midi"), QStringLiteral("tempe_midi"));
}

bool showAfternoonSlot(const QString& document, QStringList& values, WeatherDisplay& display)
{
    return showDaytime(document, values, display, QStringLiteral("pictos_apmidi"), QStringLiteral("tempe_apmidi"));
}

bool showEveningSlot(const QString& document, QStringList& values, WeatherDisplay& display)
{
    const std::optional<QString> temperature = extractInto(document, QStringLiteral("tempe_soir"), values);
    if (!temperature)
        return false;
    qCInfo(lcWeather) << "showing tempe_soir" << *temperature << "with the night pictogram";
    display.setTemperatureText(temperatureCaption(*temperature));
    display.setPictogram(kNightPictogram);
    return true;
}

bool showForecastForHour(int hour, const QString& document, QStringList& values, WeatherDisplay& display)
{
    switch (forecastSlotForHour(hour)) {
    case ForecastSlot::Morning:
        return showMorningSlot(document, values, display);
    case ForecastSlot::Noon:
        return showNoonSlot(document, values, display);
    case ForecastSlot::Afternoon:
        return showAfternoonSlot(document, values, display);
    case ForecastSlot::Evening:
        return showEveningSlot(document, values, display);
    }
    return false;
}

}
