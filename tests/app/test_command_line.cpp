#include "app/command_line.h"

#include "core/program_paths.h"
#include "support/core_fakes.h"
#include "support/temp_tree.h"
#include "system/daily_scheduler.h"
#include "system/status_file.h"

#include <QTextStream>

#include <gtest/gtest.h>

using namespace zepril;
using zepril::test::TempTree;

namespace {
struct Answer {
    std::optional<int> status;
    QString text;
};
Answer runIn(const TempTree& tree, const char* argument)
{
    QString text;
    QTextStream out(&text);
    const auto status = runTechnicianCommand({QLatin1String(argument)}, ProgramPaths(tree.root()), out);
    out.flush();
    return Answer{status, text};
}
}

TEST(CommandLine, TheTechniciansCommandsAnswerWithoutStartingTheChannel)
{
    TempTree tree;
    const auto run = [&tree](const char* argument) { return runIn(tree, argument); };
    tree.write("cfg/config.ini", "[Variables_Setup]\r\nmajvid_heure=3:00\r\ntaille_police=0\r\n");

    const Answer empty = run("--check-config");
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(empty.text.contains("error: manual mode and no video")) << empty.text.toStdString();
    EXPECT_TRUE(empty.text.contains("warning:")) << empty.text.toStdString();
    EXPECT_TRUE(empty.text.contains("taille_police")) << "the config's own warnings are listed";
    EXPECT_TRUE(empty.text.endsWith("the channel cannot run\n"));

    tree.write("videos-man/night/a.mp4", "x");
    EXPECT_EQ(run("--check-config").status, 0);

    tree.write("cfg/config.ini", "[Variables_Setup]\r\nmajvid_heure=04:30\r\n");
    const Answer reboot = run("--reboot-time");
    EXPECT_EQ(reboot.status, 0);
    EXPECT_EQ(reboot.text, "04:30\n");

    EXPECT_EQ(run("--status").status, 1);
    tree.write("status.json", "{\"state\": \"playing\"}\n");
    const Answer status = run("--status");
    EXPECT_EQ(status.status, 0);
    EXPECT_EQ(status.text, "{\"state\": \"playing\"}\n");

    EXPECT_FALSE(run("--fullscreen").status) << "anything else starts the channel";
}

// The scheduler, the status file, --reboot-time (which the timer that reboots a
// stopped channel asks) and --check-config read majvid_heure alike; the check tells
// where the text is not plain HH:MM, and what it is read as.
TEST(CommandLine, EveryReaderOfTheRebootTimeAgrees)
{
    TempTree tree;
    const struct {
        const char* setting;
        const char* time; // "": no daily reboot
    } rows[] = {{"03:00", "03:00"}, {"3:00", "03:00"}, {"0300", "03:00"}, {"03h00", "03:00"}, {"", ""},
                {"24:00", "00:00"}, {"03", ""}, {"25:00", ""}, {"12:60", ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.setting);
        tree.write("cfg/config.ini", QByteArray("[Variables_Setup]\r\nmajvid_heure=") + row.setting + "\r\n");
        const Answer asked = runIn(tree, "--reboot-time");
        EXPECT_EQ(asked.text.trimmed(), row.time);
        EXPECT_EQ(asked.status, *row.time ? 0 : 1);

        const QDateTime evening(QDate(2026, 12, 7), QTime(20, 0, 30));
        const auto next = nextDailyTime(QString::fromLatin1(row.setting), evening);
        EXPECT_EQ(next ? next->time().toString("hh:mm") : QString(), row.time);

        test::FakeClock clock(evening);
        QString rebootedAt;
        DailyScheduler scheduler(clock, [&] { rebootedAt = clock.time.toString("hh:mm"); }, {});
        scheduler.configure(QString::fromLatin1(row.setting), "0");
        for (int minute = 0; minute < 24 * 60 && rebootedAt.isEmpty(); ++minute)
            clock.time = clock.time.addSecs(60), scheduler.onTick();
        EXPECT_EQ(rebootedAt, row.time);

        const QString checked = runIn(tree, "--check-config").text;
        const bool plain = *row.time && QByteArray(row.setting) == row.time;
        EXPECT_EQ(checked.contains(QStringLiteral("majvid_heure=\"%1\"").arg(row.setting)), !plain)
            << qPrintable(checked);
        EXPECT_EQ(checked.contains("the daily reboot is at " + QString::fromLatin1(row.time)), !plain && *row.time);
        EXPECT_EQ(checked.contains("the daily reboot never happens"), !*row.time);
    }
}
