#include "monitoring/player_snapshot.h"
#include "monitoring/prometheus_text.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace zepril;

// A metric misspelt in an alert or a panel would never fire or never show.
TEST(MonitoringPackage, TheAlertsAndTheDashboardUseOnlyMetricsThePlayerWrites)
{
    PlayerSnapshot s;
    s.currentItem = "night/a.mp4";
    s.textsLastSuccess = s.textsLastRefresh = s.syncLast = s.syncLastSuccess = QDateTime::currentDateTime();
    s.syncOutcome = "synced";
    s.categories = {{"night", 1, 1, true}};
    s.filesystemFreeBytes = s.filesystemSizeBytes = 1;
    s.picture = PictureReport{};
    const QString written = QString::fromUtf8(prometheusText(s));
    for (const char* file : {"zepril-alerts.yml", "zepril-alerts.test.yml", "zepril-dashboard.json"}) {
        QFile f(QStringLiteral(ZEPRIL_SOURCE_DIR "/packaging/monitoring/") + file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file;
        const QByteArray text = f.readAll();
        if (QByteArray(file).endsWith(".json")) {
            EXPECT_FALSE(QJsonDocument::fromJson(text).isNull()) << file << " is no JSON";
        }
        int names = 0;
        for (auto it = QRegularExpression("\\bzepril_[a-z_]+").globalMatch(QString::fromUtf8(text)); it.hasNext();
             ++names) {
            const QString name = it.next().captured();
            EXPECT_TRUE(written.contains("# TYPE " + name + " "))
                << file << ": " << name.toStdString() << " is never written";
        }
        EXPECT_GT(names, 5) << file;
    }
}
