#pragma once
// Whether a download is a video at all: a server that answers a video's URL with an
// HTML page, an error text or a file of another kind must not have it kept and played.
#include <QByteArray>
#include <QString>

namespace zepril {

// The first bytes the check wants before it decides; a body that ends sooner is
// judged on what there is.
inline constexpr int kMediaCheckBytes = 4096;

// The media type the first bytes of a file show ("video/mp4", "text/html", ...), or
// "application/octet-stream" when they match nothing known; empty when the type
// database cannot be loaded.
QByteArray sniffMediaType(const QByteArray& head);

// Known from the headers alone: a text type is a page or a message whatever its bytes
// look like. Empty when the type does not rule a video out; otherwise why it does.
QString textTypeReason(const QString& contentType);

// Empty when these first bytes can start a video the player plays; otherwise why not.
QString notAVideoReason(const QByteArray& head);

}
