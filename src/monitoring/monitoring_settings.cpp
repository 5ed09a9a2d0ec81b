#include "monitoring/monitoring_settings.h"

#include "core/ini_reader.h"
#include "core/logging.h"
#include "monitoring/metrics_export.h"

namespace zepril {

MonitoringSettings readMonitoringSettings(const QString& configIniPath)
{
    static const QString kSection = QStringLiteral("Supervision");
    MonitoringSettings s;
    s.textfileDir =
        iniValue(kSection, QStringLiteral("textfile_dir"), configIniPath, QLatin1String(kDebianTextfileDir));
    const QString minutes = iniValue(kSection, QStringLiteral("capture_minutes"), configIniPath, QString());
    if (minutes.isEmpty())
        return s;
    bool ok = false;
    const int value = minutes.toInt(&ok);
    if (ok && value >= 0 && value <= 1440)
        s.grabMinutes = value;
    else
        qCWarning(lcConfig).noquote() << "[Supervision] capture_minutes" << minutes
                                      << "is no whole number of minutes from 0 to 1440; the default is used";
    return s;
}

}
