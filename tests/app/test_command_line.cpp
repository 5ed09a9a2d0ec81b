#include "app/command_line.h"

#include "core/program_paths.h"
#include "support/core_fakes.h"
#include "support/temp_tree.h"
#include "system/daily_scheduler.h"
#include "system/status_file.h"

#include <QDateTime>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace zepril;
using zepril::test::TempTree;

TEST(CommandLine, TheTechniciansCommandsAnswerWithoutStartingTheChannel)
{
    TempTree tree;
    struct Answer {
        std::optional<int> status;
        QString text;
    };
    const auto run = [&tree](const char* argument, const char* next = nullptr) {
        QString text;
        QTextStream out(&text);
        const QStringList arguments = next ? QStringList{argument, next} : QStringList{argument};
        const auto status = runTechnicianCommand(arguments, ProgramPaths(tree.root()), out);
        out.flush();
        return Answer{status, text};
    };
    tree.write("cfg/config.ini", "[Variables_Setup]\r\nmajvid_heure=3:00\r\ntaille_police=0\r\n");

    const Answer empty = run("--check-config");
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(empty.text.contains("error: manual mode and no video")) << empty.text.toStdString();
    EXPECT_TRUE(empty.text.contains("warning:")) << empty.text.toStdString();
    EXPECT_TRUE(empty.text.contains("taille_police")) << "the config's own warnings are listed";
    EXPECT_TRUE(empty.text.endsWith("the channel cannot run\n"));

    tree.write("videos-man/night/a.mp4", "x");
    EXPECT_EQ(run("--check-config").status, 0);

    // The scheduler, the status file, --reboot-time (which the timer that reboots a
    // stopped channel asks) and --check-config read majvid_heure alike ("": no reboot).
    const std::pair<const char*, QString> rows[] = {{"03:00", "03:00"}, {"3:00", "03:00"}, {"0300", "03:00"},
                                                    {"03h00", "03:00"}, {"", ""},          {"24:00", "00:00"},
                                                    {"03", ""},         {"25:00", ""},     {"12:60", ""}};
    for (const auto& [setting, time] : rows) {
        tree.write("cfg/config.ini", QByteArray("[Variables_Setup]\r\nmajvid_heure=") + setting + "\r\n");
        const Answer asked = run("--reboot-time");
        const QDateTime evening(QDate(2026, 12, 7), QTime(20, 0, 30));
        const auto next = nextDailyTime(QString::fromLatin1(setting), evening);
        test::FakeClock clock(evening);
        DailyScheduler scheduler(clock, {}, {});
        scheduler.configure(QString::fromLatin1(setting), "0");
        const QString scheduled = scheduler.rebootTime() ? scheduler.rebootTime()->toString("hh:mm") : "";
        const QString checked = run("--check-config").text;
        const bool plain = time == QLatin1String(setting) && !time.isEmpty();
        EXPECT_EQ(std::tuple(asked.text.trimmed(), asked.status, next ? next->time().toString("hh:mm") : "", scheduled,
                             checked.contains(QStringLiteral("majvid_heure=\"%1\"").arg(setting)),
                             checked.contains("the daily reboot is at " + time), checked.contains("never happens")),
                  std::tuple(time, time.isEmpty() ? 1 : 0, time, time, !plain, !plain && !time.isEmpty(),
                             time.isEmpty()))
            << setting << "\n" << qPrintable(checked);
    }

    EXPECT_EQ(run("--status").status, 1);
    tree.write("status.json", "{\"state\": \"playing\"}\n");
    const Answer status = run("--status");
    EXPECT_EQ(status.status, 0);
    EXPECT_EQ(status.text, "{\"state\": \"playing\"}\n");

    // The timer's question, two hours away from the reboot minute, then once it is recorded.
    const QByteArray later = QTime::currentTime().addSecs(7200).toString("hh:mm").toLatin1();
    tree.write("cfg/config.ini", "[Variables_Setup]\r\nmajvid_heure=" + later);
    const Answer early = run("--daily-reboot-due", "failed");
    EXPECT_EQ(early.status, 1);
    EXPECT_TRUE(early.text.startsWith("not due: not the reboot time")) << early.text.toStdString();
    EXPECT_EQ(run("--record-daily-reboot").status, 0);
    EXPECT_TRUE(tree.read("cfg/daily_reboot.txt").startsWith(QDate::currentDate().toString(Qt::ISODate).toLatin1()));
    const Answer again = run("--daily-reboot-due", "failed");
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.text.startsWith("not due: today's reboot was already asked for")) << again.text.toStdString();

    EXPECT_FALSE(run("--fullscreen").status) << "anything else starts the channel";
}
