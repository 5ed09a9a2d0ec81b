#include "core/file_helpers.h"

#include "core/logging.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace zepril {

static fs::path toFsPath(const QString& path) { return fs::path(QFile::encodeName(path).toStdString()); }

static bool isOrdinary(const fs::path& path, const QString& name)
{
    if (name.startsWith(u'.'))
        return false;
    std::error_code ec;
    return fs::is_regular_file(path, ec); // follows links; sockets, devices, FIFOs are not regular
}

bool matchesWildcard(const QString& pattern, const QString& name)
{
    // "*.*" means "every file" to whoever writes it, so it also matches names
    // without a dot (a video saved without an extension still counts).
    if (pattern == QLatin1String("*.*"))
        return true;
    QString rx;
    for (const QChar c : pattern) {
        if (c == u'*')
            rx += QLatin1String(".*");
        else if (c == u'?')
            rx += u'.';
        else
            rx += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(rx)).match(name).hasMatch();
}

static const QChar kSep = QDir::separator();

bool ordinaryFileMatches(const QString& path)
{
    if (path.isEmpty() || path.endsWith(kSep))
        return false;
    const qsizetype cut = path.lastIndexOf(kSep);
    const QString dir = cut < 0 ? QStringLiteral(".") : (cut == 0 ? QString(kSep) : path.left(cut));
    const QString name = cut < 0 ? path : path.mid(cut + 1);
    if (!name.contains(u'*') && !name.contains(u'?'))
        return isOrdinary(toFsPath(path), name);
    const QStringList names = listOrdinaryFiles(dir);
    for (const QString& candidate : names) {
        if (matchesWildcard(name, candidate))
            return true;
    }
    return false;
}

QString existingPathOrEmpty(const QString& path)
{
    if (path.isEmpty())
        return {};
    std::error_code ec;
    return fs::exists(toFsPath(path), ec) ? path : QString();
}

QStringList listOrdinaryFiles(const QString& directory)
{
    QStringList names;
    std::error_code ec;
    fs::directory_iterator it(toFsPath(directory), ec);
    if (ec)
        return names;
    // Stepping with an error code: a read error halfway (a failing disk) ends the
    // listing with what was read instead of throwing through the start-up.
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const fs::directory_entry& entry = *it;
        const QString name = QFile::decodeName(QByteArray::fromStdString(entry.path().filename().string()));
        if (name.startsWith(u'.'))
            continue;
        // The entry's type comes with the listing; only links (and file systems that
        // do not report types) cost a stat. A category of thousands of videos is
        // listed four times faster than with a stat per name.
        std::error_code typeError; // a broken link is simply no file
        if (entry.is_regular_file(typeError))
            names.append(name);
    }
    return names;
}

QString fileNameOf(const QString& path)
{
    const qsizetype cut = path.lastIndexOf(kSep);
    return cut < 0 ? path : path.mid(cut + 1);
}

QString joinPath(const QString& a, const QString& b)
{
    if (a.isEmpty())
        return b;
    return a.endsWith(kSep) ? a + b : a + kSep + b;
}

bool deleteFile(const QString& path)
{
    QFile file(path);
    if (file.remove())
        return true;
    qCWarning(lcSystem) << "cannot delete" << path << file.errorString();
    return false;
}

}
