#pragma once
// A weather display that remembers what it shows and every call made to it.
#include "weather/weather_display.h"

#include <QStringList>

#include <functional>
#include <utility>

namespace zepril::test {

class RecordingDisplay final : public WeatherDisplay {
public:
    void setTemperatureText(const QString& text) override { firstUse(); calls << "temperature " + text; temperature = text; }
    void setPictogram(int index) override { firstUse(); calls << QStringLiteral("pictogram %1").arg(index); pictogram = index; }
    void setWeatherVisible(bool shown) override { firstUse(); calls << (shown ? "show" : "hide"); visible = shown; }

    // Runs once, before the first call takes effect, as a window's load would.
    std::function<void()> onFirstUse;

    QString temperature = QStringLiteral("untouched");
    int pictogram = 1;
    bool visible = true;
    QStringList calls;

private:
    void firstUse()
    {
        if (auto load = std::exchange(onFirstUse, nullptr))
            load();
    }
};

}
