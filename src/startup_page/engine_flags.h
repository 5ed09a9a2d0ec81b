#pragma once
// What the page engine needs from the environment before it starts: shared by the
// page helper, which applies it, and the player's tests, which check it.
#include <QByteArray>

namespace zepril {

// QTWEBENGINE_CHROMIUM_FLAGS with the flags the unattended player needs added to the
// ones already there (none twice); --no-sandbox only for root, which Chromium
// otherwise refuses to run as.
QByteArray webEngineFlags(const QByteArray& existing, bool runningAsRoot);

// The browser engine reads its settings from the environment once, when the first
// page is created: the helper calls this first thing, before QApplication exists.
void prepareWebEngineEnvironment();

}
