#pragma once
// Text files of the player: read as UTF-8 when the bytes are valid UTF-8 (a leading
// BOM dropped), otherwise as Windows-1252, the code page of the legacy server.
#include <QByteArray>
#include <QString>

namespace zepril {

QString decodeText(const QByteArray& bytes);
QString decodeWindows1252(const QByteArray& bytes);

}
