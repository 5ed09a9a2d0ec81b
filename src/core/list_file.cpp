#include "core/list_file.h"

#include "core/logging.h"
#include "core/text_codec.h"

#include <QFile>
#include <QSaveFile>

namespace zepril {

QStringList parseListText(const QString& text)
{
    // Servers and editors write CR LF, LF or CR; every one ends a line, so a name can
    // never carry a line break into a path (a list read as one long name would make
    // the synchronization delete every video of the category).
    QStringList items;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            items.append(current);
            current.clear();
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            current.append(c);
        }
    }
    if (!current.isEmpty())
        items.append(current);
    return items;
}

QByteArray encodeList(const QStringList& items)
{
    QByteArray out;
    // A reader drops one leading byte-order mark; a first name that itself begins
    // with U+FEFF gets a mark of its own in front, so it reads back unchanged.
    if (!items.isEmpty() && items.first().startsWith(QChar(0xFEFF)))
        out += "\xEF\xBB\xBF";
    for (const QString& item : items) {
        out += item.toUtf8();
        out += "\r\n";
    }
    return out;
}

bool readListFile(const QString& path, QStringList& list)
{
    list.clear();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    list = parseListText(decodeText(file.readAll()));
    return true;
}

bool writeListFile(const QString& path, const QStringList& list)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcConfig) << "cannot write" << path << file.errorString();
        return false;
    }
    file.write(encodeList(list));
    if (!file.commit()) {
        qCWarning(lcConfig) << "cannot write" << path << file.errorString();
        return false;
    }
    return true;
}

}
