#pragma once
// Real parsers of the Prometheus text format, run on a file: the client library's
// (python3-prometheus-client) and promtool's linter (package prometheus) when present.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace zepril::test {

struct ParsedMetrics {
    QString error; // the parser's complaint; empty when it parsed
    QMap<QString, QString> types; // family name -> type
    QMap<QString, double> samples; // "name|label=value,…" -> value
};

inline ParsedMetrics parseMetrics(const QByteArray& text)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("m.prom"));
    file.open(QIODevice::WriteOnly);
    file.write(text);
    file.close();
    QProcess parser;
    parser.start("/usr/bin/python3", {ZEPRIL_MONITORING_TESTS "/parse_metrics.py", file.fileName()});
    parser.waitForFinished(20000);
    ParsedMetrics parsed;
    const QStringList lines
        = QString::fromUtf8(parser.readAllStandardOutput() + parser.readAllStandardError()).split('\n');
    if (parser.exitCode() != 0)
        parsed.error = lines.join('\n');
    for (const QString& line : lines) {
        if (line.startsWith("# ")) {
            const QStringList parts = line.mid(2).split(' ');
            parsed.types[parts.value(0)] = parts.value(1);
        } else if (line.startsWith('[')) {
            const QJsonArray sample = QJsonDocument::fromJson(line.toUtf8()).array();
            parsed.samples[sample.at(0).toString()] = sample.at(1).toDouble();
        }
    }
    return parsed;
}

// promtool's lint of the same text: its complaints, "" when none; nothing without promtool.
inline std::optional<QString> promtoolComplaints(const QByteArray& text)
{
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (promtool.isEmpty())
        return std::nullopt;
    QProcess check;
    check.start(promtool, {"check", "metrics"});
    check.write(text);
    check.closeWriteChannel();
    check.waitForFinished(20000);
    const QString said = QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError()).trimmed();
    return check.exitCode() == 0 ? QString() : said.isEmpty() ? "exit " + QString::number(check.exitCode()) : said;
}

}
