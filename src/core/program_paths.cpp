#include "core/program_paths.h"

#include "core/file_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace zepril {

QString programDirectory()
{
    const QString home = qEnvironmentVariable("ZEPRIL_HOME");
    if (!home.isEmpty())
        return QDir::toNativeSeparators(QDir::cleanPath(home));
    if (QCoreApplication::instance())
        return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    // Asked before the application object exists (the single-player lock is taken first).
    return QDir::toNativeSeparators(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath());
}

QString ProgramPaths::cfg() const { return joinPath(m_root, QStringLiteral("cfg")); }
QString ProgramPaths::configIni() const { return joinPath(cfg(), QStringLiteral("config.ini")); }
QString ProgramPaths::textesIni() const { return joinPath(cfg(), QStringLiteral("textes.ini")); }
QString ProgramPaths::errorIni() const { return joinPath(cfg(), QStringLiteral("error.ini")); }
QString ProgramPaths::versionsIni() const { return joinPath(cfg(), QStringLiteral("versions.ini")); }
QString ProgramPaths::meteoXml() const { return joinPath(cfg(), QStringLiteral("meteo.xml")); }
QString ProgramPaths::urlDat() const { return joinPath(cfg(), QStringLiteral("url.dat")); }
QString ProgramPaths::categoryListFile(const QString& category) const
{
    return joinPath(cfg(), category + QStringLiteral(".ini"));
}
QString ProgramPaths::skinFile(const QString& name) const
{
    return joinPath(joinPath(m_root, QStringLiteral("skin")), name);
}
QString ProgramPaths::videoRoot(const QString& videoFolder) const { return joinPath(m_root, videoFolder); }
QString ProgramPaths::categoryDir(const QString& videoFolder, const QString& category) const
{
    return joinPath(videoRoot(videoFolder), category);
}
QString ProgramPaths::itemPath(const QString& videoFolder, const QString& item) const
{
    return joinPath(videoRoot(videoFolder), item);
}

}
