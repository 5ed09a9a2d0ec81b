#include "core/ini_reader.h"

#include "core/list_file.h"
#include "core/text_codec.h"

#include <QFile>

namespace zepril {

static constexpr int kMaxValueLength = 254;

static QString unquote(QString value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    return value;
}

QString iniValueFromText(const QString& text, const QString& section, const QString& key,
                         const QString& defaultValue)
{
    bool inSection = false;
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const auto lines = normalized.split(u'\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        return unquote(line.mid(eq + 1).trimmed()).left(kMaxValueLength);
    }
    return defaultValue.left(kMaxValueLength);
}

QString ReadIniValue(const QString& section, const QString& key, const QString& path,
                     const QString& defaultValue)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return defaultValue.left(kMaxValueLength);
    return iniValueFromText(decodeText(file.readAll()), section, key, defaultValue);
}

}
