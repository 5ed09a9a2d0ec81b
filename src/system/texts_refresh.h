#pragma once
// Fetching the hotel's welcome texts again while the player runs, into the phrase list
// the banner takes them from.
#include <QString>
#include <QStringList>

#include <functional>

namespace zepril {

class ConnectionProbe;

// The banner's phrases and its place in them.
struct PhraseState {
    QStringList texts;
    int count = 0;
    int current = 0;
};

enum class RefreshOutcome { NoConnection, FetchFailed, Refreshed };

// With a connection: fetchTexts (which replaces the texts file only when the fetch
// succeeds), then the phrases are reloaded from the file with reloadPhrases, the
// fallback phrase (core/fallback_phrase.h) standing in when it gives none, and the banner
// starts again at the first one. Without a connection, or when the fetch fails, the
// phrases stay as they are. Yields to the event loop before and after the fetch.
RefreshOutcome refreshTexts(PhraseState& state, ConnectionProbe& probe, const std::function<bool()>& fetchTexts,
                            const std::function<QStringList()>& reloadPhrases);

}
