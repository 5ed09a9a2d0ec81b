#pragma once
// The banner's view of the run's phrases.
#include "presentation/banner_cycle.h"
#include "system/texts_refresh.h"

namespace zepril {

// The banner reads the phrases where the run keeps them, so a texts refresh is seen
// by the next pass without touching the timers.
class PhraseStateSource final : public PhraseSource {
public:
    explicit PhraseStateSource(PhraseState& state) : m_state(state) {}
    int currentPhrase() const override { return m_state.current; }
    void setCurrentPhrase(int index) override { m_state.current = index; }
    int phraseTotal() const override { return m_state.count; }
    std::optional<QString> selectPhrase(int index) override
    {
        if (index < 0 || index >= m_state.texts.size())
            return std::nullopt;
        return m_state.texts.at(index);
    }

private:
    PhraseState& m_state;
};

}
