#pragma once
// Whether a complete answer of the update server is what was asked for. Hotel networks
// put devices behind login pages that answer every address with "200" and a page of
// HTML; such a page must never be taken for the hotel's texts or a category's list.
#include <QByteArray>
#include <QString>

namespace zepril {

// Empty when the answer can be the hotel's texts; otherwise what came back instead.
QString notTextsReason(const QByteArray& contentType, const QByteArray& body);

// Empty when the answer can be a list of video names (an empty body is one: the
// category has no videos); otherwise what came back instead. A list's lines never
// hold a character a file name cannot hold on the server (< > " | ? * or a control).
QString notAListReason(const QByteArray& contentType, const QByteArray& body);

}
