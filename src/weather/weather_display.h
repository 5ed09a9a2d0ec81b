#pragma once
// What the weather refresh writes on the clock and weather strip: the temperature
// label, the pictogram (0 to 5, the stock images m0 … m5) and their visibility.
#include <QString>

namespace zepril {

class WeatherDisplay {
public:
    virtual ~WeatherDisplay() = default;
    virtual void setTemperatureText(const QString& text) = 0; // the temperature caption
    virtual void setPictogram(int index) = 0;                 // shows stock pictogram <index>
    virtual void setWeatherVisible(bool visible) = 0;         // the pictogram and the temperature
};

}
