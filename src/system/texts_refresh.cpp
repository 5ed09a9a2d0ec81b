#include "system/texts_refresh.h"

#include "core/connection_probe.h"
#include "core/event_wait.h"
#include "core/fallback_phrase.h"
#include "core/logging.h"

namespace zepril {

RefreshOutcome refreshTexts(PhraseState& state, ConnectionProbe& probe, const std::function<bool()>& fetchTexts,
                            const std::function<QStringList()>& reloadPhrases)
{
    QString kind;
    if (!hasInternetConnection(probe, kind)) {
        qCInfo(lcScheduler) << "texts refresh skipped: no connection; the" << state.texts.size() << "phrases stay";
        return RefreshOutcome::NoConnection;
    }

    letEventsRun();
    const bool fetched = fetchTexts();
    letEventsRun();
    if (!fetched) {
        // The texts file was left as it was; the banner keeps what it shows rather than
        // falling back to the welcome phrase because of a passing server fault.
        qCWarning(lcScheduler) << "texts refresh failed: fetch unsuccessful; the" << state.texts.size()
                               << "phrases stay";
        return RefreshOutcome::FetchFailed;
    }

    state.texts = reloadPhrases();
    if (state.texts.isEmpty()) {
        qCInfo(lcScheduler) << "the hotel's texts hold no phrase: showing the welcome phrase";
        state.texts << fallbackPhrase();
    }
    state.count = static_cast<int>(state.texts.size());
    state.current = 0;
    qCInfo(lcScheduler) << "texts refreshed:" << state.count << "phrases";
    return RefreshOutcome::Refreshed;
}

}
