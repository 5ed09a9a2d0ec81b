#pragma once
// Text files of the player (lists, texts, config, URL list): UTF-16 when they begin
// with its byte-order mark (what some Windows editors save), else UTF-8 when the bytes
// are valid UTF-8 (a leading mark dropped), else Windows-1252, the code page the
// update server still serves some hotels' files in.
#include <QByteArray>
#include <QString>

namespace zepril {

QString decodeText(const QByteArray& bytes);
QString decodeWindows1252(const QByteArray& bytes);

}
