#pragma once
// Builds files in a temporary directory for tests.
#include "support/qt_print.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace zepril::test {

class TempTree {
public:
    TempTree();
    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const;
    // Writes bytes to root/relative, creating the directories on the way.
    QString write(const QString& relative, const QByteArray& bytes = {});
    QString mkdir(const QString& relative);
    QByteArray read(const QString& relative) const;
    bool exists(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

// Makes a real short video with ffmpeg (testsrc pattern); false when ffmpeg fails.
bool makeVideo(const QString& path, double seconds = 1.0);

}
