#pragma once
// Logging categories of the player; everything it does is told here, never on screen.
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcStartup)
Q_DECLARE_LOGGING_CATEGORY(lcConfig)
Q_DECLARE_LOGGING_CATEGORY(lcNet)
Q_DECLARE_LOGGING_CATEGORY(lcFtp)
Q_DECLARE_LOGGING_CATEGORY(lcSync)
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)
Q_DECLARE_LOGGING_CATEGORY(lcBanner)
Q_DECLARE_LOGGING_CATEGORY(lcWeather)
Q_DECLARE_LOGGING_CATEGORY(lcScheduler)
Q_DECLARE_LOGGING_CATEGORY(lcSystem)

namespace zepril {
// True when standard error is connected to the journal (systemd sets JOURNAL_STREAM).
bool loggingToJournal();

// Timestamped lines on standard error for a person at a terminal; for the journal,
// which stamps lines itself, each line starts with its syslog priority ("<4>" for a
// warning) so that `journalctl -p warning` shows the warnings.
void installLogFormat(bool toJournal = loggingToJournal());
}
