#pragma once
// Reads values of an INI file with the rules every Windows tool that writes these
// files expects: names are case-insensitive, the first match wins, values are
// trimmed, unwrapped from one pair of matching quotes and cut to 254 characters; a
// missing file, section or key gives the default, a present but empty value gives "".
#include <QList>
#include <QString>

namespace zepril {

QString iniValue(const QString& section, const QString& key, const QString& path, const QString& defaultValue);

// The same on text already in memory.
QString iniValueFromText(const QString& text, const QString& section, const QString& key, const QString& defaultValue);

struct IniEntry {
    QString key;   // as written
    QString value; // as a read of that key returns it
};

// Every key=value line of the section (of all its occurrences), in file order,
// duplicates included. Lines that are neither comments nor key=value come back with
// an empty key and the line as value.
QList<IniEntry> iniEntries(const QString& text, const QString& section);

// The file's text, decoded as every text file of the player; empty when unreadable.
QString readIniText(const QString& path);

}
