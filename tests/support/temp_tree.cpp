#include "support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace zepril::test {

TempTree::TempTree() { m_dir.setAutoRemove(true); }

QString TempTree::path(const QString& relative) const { return QDir(m_dir.path()).filePath(relative); }

QString TempTree::write(const QString& relative, const QByteArray& bytes)
{
    const QString p = path(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return p;
}

QString TempTree::mkdir(const QString& relative)
{
    const QString p = path(relative);
    QDir().mkpath(p);
    return p;
}

QByteArray TempTree::read(const QString& relative) const
{
    QFile f(path(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TempTree::exists(const QString& relative) const { return QFileInfo::exists(path(relative)); }

bool makeVideo(const QString& path, double seconds)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            {"-v", "error", "-y", "-f", "lavfi", "-i",
             QStringLiteral("testsrc=size=160x120:rate=25:duration=%1").arg(seconds), "-pix_fmt", "yuv420p",
             path});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}
