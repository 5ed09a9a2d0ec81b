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
// Timestamped lines on standard error (journald adds its own when run by systemd).
void installLogFormat();
}
