#pragma once
// The group's monitoring settings, in a section [Supervision] of cfg/config.ini:
//   textfile_dir     node-exporter's textfile collector directory ("" for none)
//   capture_minutes  minutes between two grabs of the screen (0: no grabs)
#include <QString>

#include <optional>

namespace zepril {

struct MonitoringSettings {
    QString textfileDir;
    std::optional<int> grabMinutes; // nothing: the timings' default
};

// Logs one warning for a capture_minutes that is no whole number from 0 to 1440 and
// keeps the default then.
MonitoringSettings readMonitoringSettings(const QString& configIniPath);

}
