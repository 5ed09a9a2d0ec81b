// The weather document on any bytes and any hour: extraction never crashes and gives
// exactly the text between the first tags, and whatever slot the hour falls in, a
// pictogram shown is always one of the six stock pictures.
#include "core/text_codec.h"
#include "fuzz_common.h"
#include "weather/pictogram_map.h"
#include "weather/pictograms.h"
#include "weather/weather_display.h"
#include "weather/weather_extract.h"
#include "weather/weather_slots.h"


namespace {

class CheckingDisplay final : public zepril::WeatherDisplay {
public:
    void setTemperatureText(const QString& text) override { FUZZ_CHECK(text.endsWith(QStringLiteral(" °"))); }
    void setPictogram(int index) override { FUZZ_CHECK(index >= 0 && index < zepril::kPictogramCount); }
    void setWeatherVisible(bool) override {}
};

const char* const kElements[] = {"pictos_matin", "tempe_matin", "pictos_midi", "tempe_midi",
                                 "pictos_apmidi", "tempe_apmidi", "tempe_soir"};

}

FUZZ_SILENCE_LOGS()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zepril;
    if (size < 1)
        return 0;
    // The first byte is the hour, out of range too: a clock is not to be trusted.
    const int hour = static_cast<int8_t>(data[0]);
    const QString document = decodeText(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));

    for (const char* name : kElements) {
        const QString element = QLatin1String(name);
        const std::optional<QString> value = extractElement(document, element);
        if (!value)
            continue;
        const QString opening = u'<' + element + u'>';
        const qsizetype start = document.indexOf(opening) + opening.size();
        FUZZ_CHECK(document.indexOf(QStringLiteral("</") + element + u'>') == start + value->size());
        FUZZ_CHECK(document.mid(start, value->size()) == *value);
        const int pictogram = pictogramForWord(*value);
        FUZZ_CHECK(pictogram >= 0 && pictogram < kPictogramCount);
    }

    CheckingDisplay display;
    QStringList forecastValues;
    showForecastForHour(hour, document, forecastValues, display);
    FUZZ_CHECK(forecastValues.size() <= 2);
    return 0;
}
