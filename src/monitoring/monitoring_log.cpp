#include "monitoring/monitoring_log.h"

Q_LOGGING_CATEGORY(lcMonitoring, "zepril.monitoring")
