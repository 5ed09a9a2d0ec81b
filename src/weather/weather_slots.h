#pragma once
// The part of the day whose forecast the strip shows, and the routines that show it.
#include <QString>
#include <QStringList>

namespace zepril {

class WeatherDisplay;

enum class ForecastSlot { Morning, Noon, Afternoon, Evening };

// 7–11 morning, 12–13 noon, 14–19 afternoon; the evening slot covers the night too.
ForecastSlot forecastSlotForHour(int hour);
const char* forecastSlotName(ForecastSlot slot);

// The temperature as it stands in the document, followed by " °".
QString temperatureCaption(const QString& temperature);

// Each routine appends the values it extracts to forecastValues (word then temperature; the
// evening one the temperature alone) and then shows them. When an element cannot be
// extracted it stops there and the display keeps what it showed: false is returned.
//
// The values shown are the routine's own, not re-read from forecastValues: touching the
// display may load the overlay, whose load refreshes the weather again and refills
// forecastValues while this routine is still running.
bool showMorningSlot(const QString& document, QStringList& forecastValues, WeatherDisplay& display);
bool showNoonSlot(const QString& document, QStringList& forecastValues, WeatherDisplay& display);
bool showAfternoonSlot(const QString& document, QStringList& forecastValues, WeatherDisplay& display);
bool showEveningSlot(const QString& document, QStringList& forecastValues, WeatherDisplay& display);

// Runs the routine of the slot the hour falls in.
bool showForecastForHour(int hour, const QString& document, QStringList& forecastValues, WeatherDisplay& display);

}
