#include "net/ftp_listing.h"

#include "core/text_codec.h"

#include <QRegularExpression>

#include <algorithm>

namespace zepril {

namespace {

// Lines of a listing without their line ends; servers differ on CR LF, LF or CR alone.
QStringList listingLines(const QByteArray& listing)
{
    QStringList lines;
    for (const QString& line : decodeText(listing).split(QRegularExpression(QStringLiteral("\r\n|\n|\r")))) {
        if (!line.trimmed().isEmpty())
            lines << line;
    }
    return lines;
}

bool isSelfOrParent(const QString& name) { return name == u"." || name == u".."; }

bool hasControlCharacter(const QString& name)
{
    return std::any_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

// Blank as a row would look: only spaces and invisible format characters (a byte-order
// mark or a zero-width space, which decoders may also drop on the way).
bool looksBlank(const QString& name)
{
    return std::all_of(name.begin(), name.end(),
                       [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Format; });
}

// A name the browser can show as a row and send back to the server: not blank, not
// the directory itself or its parent, and without control characters (a line break
// inside a name would end the command that carries it).
// One trailing "/" (how a directory is written) is not part of the name.
bool isListableName(const QString& name)
{
    const QString bare = name.endsWith(u'/') ? name.chopped(1) : name;
    return !looksBlank(bare) && !isSelfOrParent(bare) && !hasControlCharacter(bare);
}

}

QList<FtpEntry> parseMlsd(const QByteArray& listing)
{
    QList<FtpEntry> entries;
    for (const QString& line : listingLines(listing)) {
        // The facts end at the first blank; the name is everything after it, blanks
        // included.
        const qsizetype blank = line.indexOf(u' ');
        if (blank < 0)
            continue;
        const QString name = line.mid(blank + 1);
        QString type;
        for (const QString& fact : line.left(blank).split(u';', Qt::SkipEmptyParts)) {
            const qsizetype eq = fact.indexOf(u'=');
            if (eq > 0 && fact.left(eq).compare(u"type", Qt::CaseInsensitive) == 0)
                type = fact.mid(eq + 1).toLower();
        }
        if (type == u"cdir" || type == u"pdir" || !isListableName(name))
            continue;
        // Links to directories show up as "OS.unix=slink:..." with type dir on most
        // servers; anything that is not said to be a directory is fetched as a file.
        entries.append({name, type == u"dir"});
    }
    return entries;
}

QList<FtpEntry> parseList(const QByteArray& listing, bool* ok)
{
    // Unix: permissions, links, owner, group, size, three date fields, name.
    static const QRegularExpression unixLine(
        QStringLiteral(R"(^([\-dlbcps])[rwxsStTl\-]{9}[+@.]?\s+\d+\s+\S+\s+(?:\S+\s+)?\d+\s+\S+\s+\S+\s+\S+\s(.+)$)"));
    static const QRegularExpression dosLine(
        QStringLiteral(R"(^\d{2}-\d{2}-\d{2,4}\s+\d{1,2}:\d{2}(?:[AaPp][Mm])?\s+(<DIR>|\d+)\s+(.+)$)"));
    QList<FtpEntry> entries;
    bool all = true;
    for (const QString& line : listingLines(listing)) {
        if (line.startsWith(QLatin1String("total "))) // the block count of "ls -l"
            continue;
        if (const auto m = unixLine.match(line); m.hasMatch()) {
            QString name = m.captured(2);
            const QChar kind = m.captured(1).at(0);
            if (kind == u'l') {
                // "name -> target": the link is shown under its own name; a link that
                // points at a directory cannot be told apart here and is taken as one
                // only when its target ends with "/".
                const qsizetype arrow = name.indexOf(QLatin1String(" -> "));
                const bool toDir = arrow >= 0 && name.endsWith(u'/');
                if (arrow >= 0)
                    name = name.left(arrow);
                if (isListableName(name))
                    entries.append({name, toDir});
                continue;
            }
            if (isListableName(name))
                entries.append({name, kind == u'd'});
        } else if (const auto d = dosLine.match(line); d.hasMatch()) {
            const QString name = d.captured(2);
            if (isListableName(name))
                entries.append({name, d.captured(1) == u"<DIR>"});
        } else {
            all = false;
        }
    }
    if (ok)
        *ok = all;
    return entries;
}

QList<FtpEntry> parseNlst(const QByteArray& listing)
{
    QList<FtpEntry> entries;
    for (QString name : listingLines(listing)) {
        const bool dir = name.endsWith(u'/');
        if (dir)
            name.chop(1);
        if (isListableName(name))
            entries.append({name, dir});
    }
    return entries;
}

QByteArray formatLsAnswer(const QList<FtpEntry>& entries)
{
    QByteArray out;
    for (const FtpEntry& e : entries) {
        out += e.name.toUtf8();
        if (e.isDir)
            out += '/';
        out += "\r\n";
    }
    return out;
}

QStringList orderListing(const QString& answer)
{
    QStringList list;
    qsizetype directories = 0;
    qsizetype start = 0;
    for (qsizetype lf = answer.indexOf(u'\n'); lf >= 0; lf = answer.indexOf(u'\n', start)) {
        QString entry = answer.mid(start, lf - start);
        start = lf + 1;
        if (entry.endsWith(u'\r'))
            entry.chop(1);
        if (!isListableName(entry))
            continue;
        if (isDirectoryEntry(entry))
            list.insert(directories++, entry);
        else
            list.append(entry);
    }
    if (list.isEmpty())
        list.append(QString(kEmptyFolderMarker));
    return list;
}

bool isDirectoryEntry(const QString& entry) { return entry.contains(u'/'); }

bool isPlainEntryName(const QString& name, bool allowTrailingSlash)
{
    QString n = name;
    if (allowTrailingSlash && n.endsWith(u'/'))
        n.chop(1);
    if (n.isEmpty() || isSelfOrParent(n) || n.contains(u'/'))
        return false;
#ifdef Q_OS_WIN
    if (n.contains(u'\\') || n.contains(u':'))
        return false;
#endif
    return true;
}

}
