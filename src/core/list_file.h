#pragma once
// The list-file format: one item per line. Written with CR LF line ends; on reading
// CR LF, LF and CR each end a line, so no item ever holds a line break.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zepril {

QStringList parseListText(const QString& text);
QByteArray encodeList(const QStringList& items);

// Empties the list, then fills it from the file. False when the file cannot be read
// (the list stays empty).
bool readListFile(const QString& path, QStringList& list);

// Creates or replaces the file with the items, UTF-8, CR LF. The new content is
// written beside the file and renamed over it, so a crash never leaves half a list.
bool writeListFile(const QString& path, const QStringList& list);

}
