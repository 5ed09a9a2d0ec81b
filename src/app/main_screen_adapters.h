#pragma once
// Small adapters between the main screen's state and the windows around it.
#include "presentation/banner_cycle.h"
#include "presentation/clock_weather_strip.h"
#include "system/texts_refresh.h"
#include "weather/weather_display.h"

#include <functional>

namespace zepril {

// The banner reads the phrases where the main screen keeps them, so a texts refresh
// is seen by the next pass without touching the timers.
class PhraseStateSource final : public PhraseSource {
public:
    explicit PhraseStateSource(PhraseState& state) : m_state(state) {}
    int phraseIndex() const override { return m_state.phraseIndex; }
    void setPhraseIndex(int index) override { m_state.phraseIndex = index; }
    int phraseCount() const override { return m_state.phraseCount; }
    std::optional<QString> selectPhrase(int index) override
    {
        if (index < 0 || index >= m_state.lstPhrase.size())
            return std::nullopt;
        return m_state.lstPhrase.at(index);
    }

private:
    PhraseState& m_state;
};

// The weather refresh writes on the strip; its first use loads the strip, as the
// legacy player did (whose load asks for a refresh of its own).
class OverlayDisplay final : public WeatherDisplay {
public:
    explicit OverlayDisplay(std::function<ClockWeatherStrip*()> overlay) : m_overlay(std::move(overlay)) {}
    void setTemperatureText(const QString& text) override { m_overlay()->setTemperatureText(text); }
    void setPictogram(int index) override { m_overlay()->setPictogram(index); }
    void setWeatherVisible(bool visible) override { m_overlay()->setWeatherVisible(visible); }

private:
    std::function<ClockWeatherStrip*()> m_overlay;
};

}
