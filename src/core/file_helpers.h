#pragma once
// Small file-system routines with the player's notion of an ordinary file: a regular
// file (or a link to one) whose name does not start with "."; directories, sockets,
// devices and FIFOs never count.
#include <QString>
#include <QStringList>

namespace zepril {

// True when an ordinary file matches the path; only "*" and "?" in the last
// component are wildcards. An empty path or one ending in a separator gives false.
bool ordinaryFileMatches(const QString& path);

// The path itself when it names an existing entry, else "".
QString existingPathOrEmpty(const QString& path);

// Plain names of the ordinary files of a directory, in the order the file system
// returns them; empty for a missing directory.
QStringList listOrdinaryFiles(const QString& directory);

// The text after the last native separator; the whole path without one.
QString fileNameOf(const QString& path);

// Joins path components with the native separator.
QString joinPath(const QString& a, const QString& b);

// Deletes an ordinary file; false (and a log line) when it cannot.
bool deleteFile(const QString& path);

bool matchesWildcard(const QString& pattern, const QString& name);

}
