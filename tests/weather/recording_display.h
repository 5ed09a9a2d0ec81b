#pragma once
// A weather display that records every call made to it, in order.
#include "weather/weather_display.h"

#include <QStringList>

namespace zepril::test {

class RecordingDisplay final : public WeatherDisplay {
public:
    void setTemperatureText(const QString& text) override { calls << "temperature " + text; }
    void setPictogram(int index) override { calls << QStringLiteral("pictogram %1").arg(index); }
    void setWeatherVisible(bool shown) override { calls << (shown ? "show" : "hide"); }

    QStringList calls;
};

}
