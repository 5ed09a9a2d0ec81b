#pragma once
// Where the player's files live: every path is formed from the program directory.
#include <QString>

namespace zepril {

// The directory of the executable, or ZEPRIL_HOME when that is set.
QString programDirectory();

class ProgramPaths {
public:
    explicit ProgramPaths(QString root) : m_root(std::move(root)) {}

    const QString& root() const { return m_root; }
    QString cfg() const;
    QString configIni() const;
    QString textesIni() const;
    QString errorIni() const;
    QString versionsIni() const; // what the server said of each video downloaded whole
    QString meteoXml() const;
    QString urlDat() const;
    QString categoryListFile(const QString& category) const;
    QString skinFile(const QString& name) const;
    QString videoRoot(const QString& videoFolder) const;
    QString categoryDir(const QString& videoFolder, const QString& category) const;
    // Full path of a playlist item ("night/clip.avi", "index/index_ga.avi").
    QString itemPath(const QString& videoFolder, const QString& item) const;

private:
    QString m_root;
};

}
