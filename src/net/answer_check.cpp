#include "net/answer_check.h"

#include "core/list_file.h"
#include "core/text_codec.h"

namespace zepril {

namespace {

QByteArray declaredType(const QByteArray& contentType) { return contentType.split(';').value(0).trimmed().toLower(); }

// The first line of the body, short enough for a log line.
QString opening(const QByteArray& body)
{
    QByteArray line = body.left(200).split('\n').value(0).trimmed();
    if (line.size() > 60)
        line = line.left(60) + "...";
    return QString::fromUtf8(line);
}

// Markup that opens or closes a web page; a phrase may well hold a "<" of its own.
bool looksLikeHtml(const QByteArray& body)
{
    QByteArray head = body.left(4096).trimmed().toLower();
    if (head.startsWith("\xef\xbb\xbf"))
        head = head.mid(3).trimmed();
    for (const char* start : {"<!doctype", "<html", "<head", "<body", "<?xml", "<!--", "<meta", "<title", "<script"})
        if (head.startsWith(start))
            return true;
    for (const char* tag : {"<html", "</html>", "<body", "</body>", "<script", "<iframe"})
        if (head.contains(tag))
            return true;
    return false;
}

QString htmlReason(const QByteArray& contentType, const QByteArray& body)
{
    const QByteArray type = declaredType(contentType);
    if (type == "text/html" || type == "application/xhtml+xml")
        return QStringLiteral("a web page (Content-Type %1, first line \"%2\")")
            .arg(QString::fromLatin1(type), opening(body));
    if (looksLikeHtml(body))
        return QStringLiteral("a web page (first line \"%1\")").arg(opening(body));
    return {};
}

bool cannotBeAName(const QString& line)
{
    for (const QChar c : line) {
        if ((c.category() == QChar::Other_Control && c != u'\t') || c == u'<' || c == u'>' || c == u'"' || c == u'|'
            || c == u'?' || c == u'*')
            return true;
    }
    return false;
}

}

QString notTextsReason(const QByteArray& contentType, const QByteArray& body) { return htmlReason(contentType, body); }

QString notAListReason(const QByteArray& contentType, const QByteArray& body)
{
    if (QString reason = htmlReason(contentType, body); !reason.isEmpty())
        return reason;
    // Decoded as the list will be read, so that a UTF-16 list's zero bytes are no fault.
    const QStringList lines = parseListText(decodeText(body));
    for (const QString& line : lines) {
        if (cannotBeAName(line))
            return QStringLiteral("not a list of names (line \"%1\")").arg(opening(line.toUtf8()));
    }
    return {};
}

}
