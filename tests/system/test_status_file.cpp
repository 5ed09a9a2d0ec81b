#include "system/status_file.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <unistd.h>

#include <gtest/gtest.h>

using namespace zepril;

TEST(StatusFile, HoldsEveryFieldAndIsReplacedInOneStepAndNamesTheNextRestart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("status.json"));
    const auto state = [](const QString& file) { return QJsonDocument::fromJson(*readStatusFile(file)).object(); };
    const QDateTime t(QDate(2026, 12, 7), QTime(14, 30));
    ChannelStatus s{.version = "0.2.0", .state = "playing", .currentItem = QStringLiteral("plages/été.mp4"),
                    .playlistSize = 42, .lastTextsRefresh = t, .lastTextsOutcome = "fetch failed", .lastSync = {},
                    .lastSyncFailed = {"/v/night/a.mp4"}, .nextReboot = t.addDays(1), .uptimeSeconds = 3600,
                    .written = {}};
    ASSERT_TRUE(writeStatusFile(path, s));
    const QJsonObject expected{
        {"version", "0.2.0"}, {"state", "playing"}, {"current_item", QStringLiteral("plages/été.mp4")},
        {"playlist_size", 42}, {"last_texts_refresh", "2026-12-07T14:30:00"}, {"last_texts_outcome", "fetch failed"},
        {"last_sync", QJsonValue::Null}, {"last_sync_failed", QJsonArray{"/v/night/a.mp4"}},
        {"next_reboot", "2026-12-08T14:30:00"}, {"uptime_s", 3600.0}, {"written", QJsonValue::Null}};
    EXPECT_EQ(state(path), expected);

    // A second write replaces the file (a new inode) and leaves no temporary beside it.
    const QString hardLink = dir.filePath(QStringLiteral("hard"));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(hardLink).constData()), 0);
    s.state = QStringLiteral("no video");
    ASSERT_TRUE(writeStatusFile(path, s));
    EXPECT_EQ(state(path).value("state").toString(), "no video");
    EXPECT_EQ(state(hardLink).value("state").toString(), "playing") << "rewritten in place: readers could see half";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    EXPECT_FALSE(readStatusFile(dir.filePath(QStringLiteral("missing.json"))));

    // The next restart is the next time the clock reads the setting.
    const QDateTime now(QDate(2026, 12, 7), QTime(2, 0, 30));
    const std::pair<const char*, QDateTime> cases[] = {
        {"02:00", QDateTime(QDate(2026, 12, 8), QTime(2, 0))}, {"02:01", QDateTime(QDate(2026, 12, 7), QTime(2, 1))},
        {"23:59", QDateTime(QDate(2026, 12, 7), QTime(23, 59))}, {"02:60", {}}, {"", {}}};
    for (const auto& [setting, next] : cases)
        EXPECT_EQ(nextDailyTime(QString::fromLatin1(setting), now).value_or(QDateTime()), next) << setting;
}
