#pragma once
// Reads one value of an INI file the way the legacy profile functions did: names are
// case-insensitive, the first match wins, values are trimmed, unquoted and cut to 254
// characters; a missing file, section or key gives the default.
#include <QString>

namespace zepril {

QString ReadIniValue(const QString& section, const QString& key, const QString& path,
                     const QString& defaultValue);

// The same on text already in memory.
QString iniValueFromText(const QString& text, const QString& section, const QString& key,
                         const QString& defaultValue);

}
