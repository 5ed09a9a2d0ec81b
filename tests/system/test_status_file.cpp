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

TEST(StatusFile, HoldsEveryFieldAndIsReplacedInOneStep)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("status.json"));
    const QDateTime t(QDate(2026, 12, 7), QTime(14, 30));
    ChannelStatus s;
    s.version = QStringLiteral("0.2.0");
    s.state = QStringLiteral("playing");
    s.currentItem = QStringLiteral("plages/été.mp4");
    s.playlistSize = 42;
    s.lastTextsRefresh = t;
    s.lastTextsOutcome = QStringLiteral("fetch failed");
    s.lastSyncFailed = {QStringLiteral("/v/night/a.mp4")};
    s.nextReboot = t.addDays(1);
    s.uptimeSeconds = 3600;
    ASSERT_TRUE(writeStatusFile(path, s));

    const QJsonObject o = QJsonDocument::fromJson(*readStatusFile(path)).object();
    EXPECT_EQ(o.value("state").toString(), "playing");
    EXPECT_EQ(o.value("current_item").toString(), QStringLiteral("plages/été.mp4"));
    EXPECT_EQ(o.value("playlist_size").toInt(), 42);
    EXPECT_EQ(o.value("last_texts_refresh").toString(), "2026-12-07T14:30:00");
    EXPECT_EQ(o.value("last_texts_outcome").toString(), "fetch failed");
    EXPECT_TRUE(o.value("last_sync").isNull());
    EXPECT_EQ(o.value("last_sync_failed").toArray().first().toString(), "/v/night/a.mp4");
    EXPECT_EQ(o.value("next_reboot").toString(), "2026-12-08T14:30:00");
    EXPECT_EQ(o.value("uptime_s").toInt(), 3600);

    // A second write replaces the file (a new inode) and leaves no temporary beside it.
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(dir.filePath(QStringLiteral("hard"))).constData()), 0);
    s.state = QStringLiteral("no video");
    ASSERT_TRUE(writeStatusFile(path, s));
    EXPECT_EQ(QJsonDocument::fromJson(*readStatusFile(path)).object().value("state").toString(), "no video");
    EXPECT_EQ(QJsonDocument::fromJson(*readStatusFile(dir.filePath(QStringLiteral("hard")))).object().value("state").toString(),
              "playing")
        << "rewritten in place: a reader could have seen half a file";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    EXPECT_FALSE(readStatusFile(dir.filePath(QStringLiteral("missing.json"))));
}

TEST(StatusFile, NextRebootIsTheNextTimeTheClockReadsTheSetting)
{
    const QDateTime now(QDate(2026, 12, 7), QTime(2, 0, 30));
    struct Case {
        const char* setting;
        QDateTime expected;
    } cases[] = {
        {"02:00", QDateTime(QDate(2026, 12, 8), QTime(2, 0))},
        {"02:01", QDateTime(QDate(2026, 12, 7), QTime(2, 1))},
        {"23:59", QDateTime(QDate(2026, 12, 7), QTime(23, 59))},
        {"3:00", {}},
        {"24:00", {}},
        {"02:60", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        const auto next = nextDailyTime(QString::fromLatin1(c.setting), now);
        EXPECT_EQ(next.value_or(QDateTime()), c.expected) << c.setting;
    }
}
