#include "core/logging.h"

Q_LOGGING_CATEGORY(lcStartup, "zepril.startup")
Q_LOGGING_CATEGORY(lcConfig, "zepril.config")
Q_LOGGING_CATEGORY(lcNet, "zepril.net")
Q_LOGGING_CATEGORY(lcFtp, "zepril.ftp")
Q_LOGGING_CATEGORY(lcSync, "zepril.sync")
Q_LOGGING_CATEGORY(lcPlayer, "zepril.player")
Q_LOGGING_CATEGORY(lcBanner, "zepril.banner")
Q_LOGGING_CATEGORY(lcWeather, "zepril.weather")
Q_LOGGING_CATEGORY(lcScheduler, "zepril.scheduler")
Q_LOGGING_CATEGORY(lcSystem, "zepril.system")

namespace zepril {
bool loggingToJournal() { return qEnvironmentVariableIsSet("JOURNAL_STREAM"); }

void installLogFormat(bool toJournal)
{
    if (toJournal) {
        qSetMessagePattern(QStringLiteral("<%{if-debug}7%{endif}%{if-info}6%{endif}%{if-warning}4%{endif}"
                                          "%{if-critical}3%{endif}%{if-fatal}2%{endif}>%{category}: %{message}"));
        return;
    }
    qSetMessagePattern(QStringLiteral(
        "%{time yyyy-MM-dd hh:mm:ss.zzz} %{if-warning}W %{endif}%{if-critical}E %{endif}%{category}: %{message}"));
}
}
