#include "monitoring/metrics_export.h"

#include "core/file_helpers.h"
#include "monitoring/monitoring_log.h"

#include <QFileInfo>
#include <QSaveFile>

namespace zepril {

bool replaceFile(const QString& path, const QByteArray& bytes, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

MetricsExport::MetricsExport(QString treeFile, QString textfileDir)
    : m_treeFile(std::move(treeFile)), m_textfileDir(std::move(textfileDir))
{}

QString MetricsExport::textfilePath() const
{
    return m_textfileDir.isEmpty() ? QString() : joinPath(m_textfileDir, QLatin1String(kTextfileName));
}

void MetricsExport::write(const QByteArray& text)
{
    QString error;
    report(m_treeFile, replaceFile(m_treeFile, text, error), error, m_treeFailing);
    if (m_textfileDir.isEmpty())
        return;
    if (!QFileInfo(m_textfileDir).isDir()) {
        // No node-exporter on this machine: nothing collects the file, so none is written.
        if (!m_toldNoDirectory)
            qCInfo(lcMonitoring).noquote()
                << "no textfile collector directory" << m_textfileDir << "- the metrics stay in" << m_treeFile;
        m_toldNoDirectory = true;
        return;
    }
    m_toldNoDirectory = false;
    error.clear();
    report(textfilePath(), replaceFile(textfilePath(), text, error), error, m_textfileFailing);
}

void MetricsExport::report(const QString& path, bool ok, const QString& error, bool& failing)
{
    if (!ok && !failing)
        qCWarning(lcMonitoring).noquote()
            << "metrics not written to" << path << "-" << error << "(the player's user needs to write there, or" << path
            << "to be a link to a file it may replace)";
    else if (ok && failing)
        qCInfo(lcMonitoring).noquote() << "metrics written to" << path << "again";
    failing = !ok;
}

}
