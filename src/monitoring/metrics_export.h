#pragma once
// Where the metrics text goes every minute: a file in the program tree (read back by
// `zepril-client --metrics` when the player is not running) and, when its directory
// exists, node-exporter's textfile collector.
#include <QByteArray>
#include <QString>

namespace zepril {

// The textfile collector's directory of Debian's prometheus-node-exporter.
inline constexpr char kDebianTextfileDir[] = "/var/lib/prometheus/node-exporter";
inline constexpr char kTextfileName[] = "zepril.prom";
inline constexpr char kTreeMetricsName[] = "metrics.prom";

// Writes beside the file and renames it over the old one: a scrape never reads half a
// file, and the collector ignores the temporary name (it reads only "*.prom"). A file
// that is a symbolic link has its target replaced, so a collector directory the
// player may not write into can hold a link to a place it may.
bool replaceFile(const QString& path, const QByteArray& bytes, QString& error);

class MetricsExport final {
public:
    // textfileDir empty: no collector.
    MetricsExport(QString treeFile, QString textfileDir);

    // Logs a failure once, and once again when it is mended.
    void write(const QByteArray& text);
    QString textfilePath() const;

private:
    void report(const QString& path, bool ok, const QString& error, bool& failing);

    QString m_treeFile;
    QString m_textfileDir;
    bool m_treeFailing = false;
    bool m_textfileFailing = false;
    bool m_toldNoDirectory = false;
};

}
