#include "core/tree_check.h"

#include "core/categories.h"
#include "core/file_helpers.h"
#include "core/ini_reader.h"
#include "core/program_paths.h"
#include "core/settings.h"

#include <QDir>
#include <QFileInfo>

namespace zepril {

namespace {

void add(QList<TreeFinding>& out, TreeFinding::Severity severity, const QString& text) { out.append({severity, text}); }

bool isDirectory(const QString& path) { return QFileInfo(path).isDir(); }

}

QList<TreeFinding> checkProgramTree(const QString& root, const QStringList& configWarnings)
{
    QList<TreeFinding> out;
    if (root.trimmed().isEmpty()) {
        add(out, TreeFinding::Error, QStringLiteral("the program directory is not set (ZEPRIL_HOME is empty)"));
        return out;
    }
    if (!isDirectory(root)) {
        add(out, TreeFinding::Error, QStringLiteral("the program directory %1 does not exist").arg(root));
        return out;
    }
    const ProgramPaths paths(root);
    if (!isDirectory(paths.cfg()))
        add(out, TreeFinding::Error,
            QStringLiteral("%1 is missing: no config, texts, lists or journal can be kept").arg(paths.cfg()));
    const QFileInfo config(paths.configIni());
    if (!config.isFile()) {
        add(out, TreeFinding::Warning,
            QStringLiteral("%1 is missing: built-in settings and servers are used").arg(paths.configIni()));
    } else {
        const QString password =
            iniValue(QStringLiteral("Serveurs"), QStringLiteral("ftp_password"), paths.configIni(), QString());
        if (!password.isEmpty() && (config.permissions() & QFileDevice::ReadOther))
            add(out, TreeFinding::Warning,
                QStringLiteral("%1 holds the FTP account and every user of this PC can read it (chmod 600)")
                    .arg(paths.configIni()));
    }
    for (const QString& warning : configWarnings)
        add(out, TreeFinding::Warning, warning);

    for (const char* picture : {"back.jpg", "logo.jpg"}) {
        const QString path = paths.skinFile(QLatin1String(picture));
        if (!QFileInfo(path).isFile())
            add(out, TreeFinding::Warning, QStringLiteral("%1 is missing: the banner shows without it").arg(path));
    }

    const bool manual = isManualMode(readSettings(paths.configIni()).mode_manuel);
    const QString videoDir = manual ? QStringLiteral("videos-man") : QStringLiteral("videos-auto");
    int videos = 0;
    QStringList folders{QStringLiteral("index")};
    for (const Category& c : kCategories)
        folders << QLatin1String(c.name);
    for (const QString& folder : folders) {
        const QString dir = paths.categoryDir(videoDir, folder);
        if (!isDirectory(dir)) {
            // Downloads are never written into a folder the player would have to create.
            add(out, manual ? TreeFinding::Warning : TreeFinding::Error, QStringLiteral("%1 is missing").arg(dir));
            continue;
        }
        videos += int(listOrdinaryFiles(dir).size());
    }
    if (manual && videos == 0)
        add(out, TreeFinding::Error,
            QStringLiteral("manual mode and no video in %1: the screen would stay black")
                .arg(paths.videoRoot(videoDir)));
    else if (!manual && videos == 0)
        add(out, TreeFinding::Warning,
            QStringLiteral("automatic mode and no video in %1 yet: the first start-up downloads them")
                .arg(paths.videoRoot(videoDir)));

    std::stable_sort(out.begin(), out.end(),
                     [](const TreeFinding& a, const TreeFinding& b) { return a.severity > b.severity; });
    return out;
}

bool hasErrors(const QList<TreeFinding>& findings)
{
    return std::any_of(findings.begin(), findings.end(),
                       [](const TreeFinding& f) { return f.severity == TreeFinding::Error; });
}

}
