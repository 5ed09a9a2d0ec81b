#include "monitoring/player_snapshot.h"
#include "monitoring/prometheus_text.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using namespace zepril;

// A metric misspelt in an alert or a panel would never fire or never show: every name
// the group's rules and dashboard use must be one the player writes.
TEST(MonitoringPackage, TheAlertsAndTheDashboardUseOnlyMetricsThePlayerWrites)
{
    PlayerSnapshot s;
    s.state = "playing";
    s.currentItem = "night/a.mp4";
    s.textsLastSuccess = s.textsLastRefresh = s.syncLast = s.syncLastSuccess = QDateTime::currentDateTime();
    s.textsOutcome = "refreshed";
    s.syncOutcome = "synced";
    s.categories = {{"night", 1, 1, true}};
    s.filesystemFreeBytes = s.filesystemSizeBytes = 1;
    s.picture = PictureReport {};
    QSet<QString> written;
    static const QRegularExpression familyLine("^# TYPE (\\w+) ", QRegularExpression::MultilineOption);
    for (auto it = familyLine.globalMatch(QString::fromUtf8(prometheusText(s))); it.hasNext();)
        written << it.next().captured(1);

    for (const char* file : {"zepril-alerts.yml", "zepril-alerts.test.yml", "zepril-dashboard.json"}) {
        QFile f(QStringLiteral(ZEPRIL_SOURCE_DIR "/packaging/monitoring/") + file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file;
        const QString text = QString::fromUtf8(f.readAll());
        if (QString(file).endsWith(".json")) {
            EXPECT_FALSE(QJsonDocument::fromJson(text.toUtf8()).isNull()) << file << " is no JSON";
        }
        static const QRegularExpression used("\\bzepril_[a-z_]+");
        int names = 0;
        for (auto it = used.globalMatch(text); it.hasNext(); ++names) {
            const QString name = it.next().captured();
            EXPECT_TRUE(written.contains(name))
                << file << " uses " << name.toStdString() << ", which the player never writes";
        }
        EXPECT_GT(names, 5) << file;
    }
}
