#pragma once
// The welcome phrase the banner shows whenever the hotel's texts give none, so the
// banner never scrolls an empty line. Every room that needs it takes it from here.
#include <QString>

namespace zepril {

inline constexpr char kFallbackPhrase[] = "BIENVENUE - WELCOME";

inline QString fallbackPhrase() { return QString::fromLatin1(kFallbackPhrase); }

}
