#pragma once
// The log category of what the group's monitoring is told: metrics, the local socket,
// screen grabs and their verdicts.
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcMonitoring)
