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

}
