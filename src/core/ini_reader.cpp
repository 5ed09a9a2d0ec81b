#include "core/ini_reader.h"

#include "core/text_codec.h"

#include <QFile>

#include <optional>

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

// Calls visit(key, value) for each key=value line of the section, in file order,
// and visit("", line) for any other line in it that is no comment, until visit
// returns false.
template <typename Visit>
static void forEachLine(const QString& text, const QString& section, Visit visit)
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
        const bool more = eq < 0
            ? visit(QString(), line)
            : visit(line.left(eq).trimmed(), unquote(line.mid(eq + 1).trimmed()).left(kMaxValueLength));
        if (!more)
            return;
    }
}

QString iniValueFromText(const QString& text, const QString& section, const QString& key, const QString& defaultValue)
{
    std::optional<QString> found;
    forEachLine(text, section, [&](const QString& k, const QString& v) {
        if (k.isEmpty() || k.compare(key, Qt::CaseInsensitive) != 0)
            return true;
        found = v;
        return false;
    });
    return found ? *found : defaultValue.left(kMaxValueLength);
}

QList<IniEntry> iniEntries(const QString& text, const QString& section)
{
    QList<IniEntry> entries;
    forEachLine(text, section, [&](const QString& k, const QString& v) {
        entries.append({k, v});
        return true;
    });
    return entries;
}

QString readIniText(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    return decodeText(file.readAll());
}

QString iniValue(const QString& section, const QString& key, const QString& path, const QString& defaultValue)
{
    return iniValueFromText(readIniText(path), section, key, defaultValue);
}

}
