#include "monitoring/prometheus_text.h"

#include "monitoring/player_snapshot.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <gtest/gtest.h>

using namespace zepril;

namespace {

// Real parsers of the Prometheus text format: the client library's
// (python3-prometheus-client) and promtool's linter (package prometheus) when present.
struct ParsedMetrics {
    QString error; // the parser's complaint; empty when it parsed
    QMap<QString, double> samples; // "name|label=value,…" -> value
};

ParsedMetrics parseMetrics(const QByteArray& text)
{
    QTemporaryFile file;
    file.open();
    file.write(text);
    file.flush();
    QProcess parser;
    parser.start("/usr/bin/python3", {ZEPRIL_MONITORING_TESTS "/parse_metrics.py", file.fileName()});
    parser.waitForFinished(20000);
    ParsedMetrics parsed;
    const QByteArray out = parser.readAllStandardOutput() + parser.readAllStandardError();
    if (parser.exitCode() != 0)
        parsed.error = QString::fromUtf8(out);
    for (const QByteArray& line : out.split('\n')) {
        const QJsonArray sample = QJsonDocument::fromJson(line).array();
        parsed.samples[sample.at(0).toString()] = sample.at(1).toDouble();
    }
    return parsed;
}

// promtool's complaints about the text, "" when none; nothing without promtool.
std::optional<QString> promtoolComplaints(const QByteArray& text)
{
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (promtool.isEmpty())
        return std::nullopt;
    QProcess check;
    check.start(promtool, {"check", "metrics"});
    check.write(text);
    check.closeWriteChannel();
    check.waitForFinished(20000);
    return check.exitCode() == 0 ? QString() : QString::fromUtf8(check.readAll() + check.readAllStandardError()) + " ";
}

}

TEST(PrometheusText, EveryStateParsesWithRealParsersAndSaysWhatItHolds)
{
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(1795990000);
    struct Case {
        const char* name;
        std::function<void(PlayerSnapshot&)> shape;
        QStringList expected; // "sample value": samples that must read so
        QStringList absent; // and samples that must not be there
    };
    const std::vector<Case> cases{
        {"starting, nothing known yet",
         [](PlayerSnapshot&) {},
         {"zepril_up| 1", "zepril_state|state=starting 1", "zepril_state|state=playing 0",
          "zepril_build_info|version=0.2.0 1", "zepril_category_files|category=index 0"},
         {"zepril_picture_black|", "zepril_texts_refresh_timestamp_seconds|", "zepril_filesystem_free_bytes|"}},
        {"playing an item whose name needs escaping, synchronized",
         [&](PlayerSnapshot& s) {
             s.state = "playing";
             s.currentItem = "night/a \"quoted\" back\\slash\nline é.mp4";
             s.itemsPlayed = 42;
             s.textsLastSuccess = s.textsLastRefresh = s.syncLast = s.syncLastSuccess = t0;
             s.textsOutcome = "refreshed";
             s.syncOutcome = "synced";
             s.categories[0] = {"night", 123456789012, 5, true};
             s.filesystemFreeBytes = 9000000000;
             s.restartsThisBoot = 2;
             s.picture = PictureReport{t0, false, false};
         },
         {"zepril_item_playing_info|item=night/a \"quoted\" back\\slash\nline é.mp4 1", "zepril_items_played_total| 42",
          "zepril_texts_last_success_timestamp_seconds| 1795990000",
          "zepril_texts_refresh_outcome|outcome=fetch failed 0", "zepril_sync_outcome|outcome=synced 1",
          "zepril_category_bytes|category=night 123456789012", "zepril_category_list_fetched|category=night 1",
          "zepril_filesystem_free_bytes| 9000000000", "zepril_restarts_this_boot| 2", "zepril_picture_black| 0"},
         {"zepril_category_list_fetched|category=index"}},
        {"stopping on a black, frozen screen after a failed refresh",
         [&](PlayerSnapshot& s) {
             s.state = "stopping";
             s.textsLastRefresh = t0;
             s.textsOutcome = "fetch failed";
             s.syncOutcome = "incomplete";
             s.picture = PictureReport{t0, true, true};
         },
         {"zepril_up| 0", "zepril_state|state=stopping 1", "zepril_texts_refresh_outcome|outcome=fetch failed 1",
          "zepril_sync_outcome|outcome=incomplete 1", "zepril_picture_black| 1", "zepril_picture_frozen| 1"},
         {"zepril_item_playing_info|item=", "zepril_sync_last_success_timestamp_seconds|"}},
    };
    for (const Case& c : cases) {
        PlayerSnapshot s;
        s.version = "0.2.0";
        s.state = "starting";
        s.categories = {{"night", 0, 0, std::nullopt}, {"index", 0, 0, std::nullopt}};
        c.shape(s);
        const QByteArray text = prometheusText(s);
        const ParsedMetrics parsed = parseMetrics(text);
        ASSERT_TRUE(parsed.error.isEmpty()) << c.name << ": " << parsed.error.toStdString() << "\n"
                                            << text.toStdString();
        for (const QString& e : c.expected) {
            const QString sample = e.section(' ', 0, -2);
            EXPECT_EQ(parsed.samples.value(sample, -1), e.section(' ', -1).toDouble())
                << c.name << ": " << sample.toStdString();
        }
        for (const QString& key : c.absent)
            EXPECT_FALSE(parsed.samples.contains(key)) << c.name << ": " << key.toStdString();
        if (const auto complaints = promtoolComplaints(text))
            EXPECT_EQ(*complaints, "") << c.name;
        else if (&c == &cases.front())
            std::printf("promtool not found (package prometheus): only the client library reads the metrics\n");
    }
}
