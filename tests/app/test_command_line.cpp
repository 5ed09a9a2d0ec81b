#include "app/command_line.h"

#include "core/program_paths.h"
#include "support/temp_tree.h"

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

    EXPECT_EQ(run("--reboot-time").status, 1) << "3:00 never matches: no reboot to schedule";
    tree.write("cfg/config.ini", "[Variables_Setup]\r\nmajvid_heure=04:30\r\n");
    const Answer reboot = run("--reboot-time");
    EXPECT_EQ(reboot.status, 0);
    EXPECT_EQ(reboot.text, "04:30\n");

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
