#include "net/reboot.h"

#include "support/temp_tree.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

using namespace zepril;

namespace {

// Records which way the rebooter chose; none of them touches the machine.
struct RecordingActions {
    QStringList calls;
    bool logindSucceeds = true;
    bool systemctlSucceeds = true;

    RebootActions actions()
    {
        RebootActions a;
        a.runCommand = [this](const QString& program, const QStringList& args) {
            calls << "run " + program + " " + args.join('|');
            return true;
        };
        a.systemReboot = [this](QString& error) {
            calls << "logind";
            if (!logindSucceeds)
                error = "no logind here";
            return logindSucceeds;
        };
        a.fallbackReboot = [this](QString& error) {
            calls << "systemctl";
            if (!systemctlSucceeds)
                error = "no systemctl here";
            return systemctlSucceeds;
        };
        return a;
    }
};

// Restores ZEPRIL_FORBID_REBOOT as it was, so that a test that sets it leaves no trace.
class ForbidGuard {
public:
    ForbidGuard() : m_was(qEnvironmentVariableIsSet("ZEPRIL_FORBID_REBOOT")), m_value(qgetenv("ZEPRIL_FORBID_REBOOT")) {}
    ~ForbidGuard()
    {
        if (m_was)
            qputenv("ZEPRIL_FORBID_REBOOT", m_value);
        else
            qunsetenv("ZEPRIL_FORBID_REBOOT");
    }

private:
    bool m_was;
    QByteArray m_value;
};

QStringList linesOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

// The command runs detached: wait until the file holds `count` lines or time runs out.
QStringList waitForLines(const QString& path, int count)
{
    QDeadlineTimer deadline(5000);
    QStringList lines = linesOf(path);
    while (lines.size() < count && !deadline.hasExpired()) {
        QThread::msleep(20);
        lines = linesOf(path);
    }
    return lines;
}

}

TEST(Reboot, ConfiguredCommandRunsOncePerRequestWithItsArguments)
{
    test::TempTree tree;
    const QString log = tree.path("requests.log");
    const QString script = tree.write("reboot.sh", QStringLiteral("#!/bin/sh\necho \"$1\" >> \"%1\"\n").arg(log).toUtf8());
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);

    // The command wins even where a system restart is forbidden: tests and sudo kiosks rely on it.
    ForbidGuard guard;
    qputenv("ZEPRIL_FORBID_REBOOT", "1");
    SystemRebooter rebooter(QStringLiteral("\"%1\" \"daily restart\"").arg(script));

    ForceReboot(rebooter);
    QStringList lines = waitForLines(log, 1);
    ASSERT_EQ(lines, QStringList{"daily restart"});
    // A second line would show up here if one request started the command twice.
    QThread::msleep(300);
    EXPECT_EQ(linesOf(log).size(), 1);

    EXPECT_TRUE(rebooter.requestReboot());
    lines = waitForLines(log, 2);
    EXPECT_EQ(lines, (QStringList{"daily restart", "daily restart"}));
}

TEST(Reboot, CommandThatCannotStartIsReportedAsFailed)
{
    test::TempTree tree;
    SystemRebooter rebooter(tree.path("no-such-command"));
    EXPECT_FALSE(rebooter.requestReboot());
}

TEST(Reboot, ForbiddenWithoutCommandRunsNothing)
{
    ForbidGuard guard;
    qputenv("ZEPRIL_FORBID_REBOOT", "1");
    ASSERT_TRUE(systemRebootForbidden());

    RecordingActions rec;
    SystemRebooter rebooter(QString(), rec.actions()); // forbidden-ness read from the environment
    EXPECT_FALSE(rebooter.requestReboot());
    ForceReboot(rebooter);
    EXPECT_TRUE(rec.calls.isEmpty()) << rec.calls.join(", ").toStdString();

    // A blank setting is no command either.
    SystemRebooter blank(QStringLiteral("   "), rec.actions());
    EXPECT_FALSE(blank.requestReboot());
    EXPECT_TRUE(rec.calls.isEmpty()) << rec.calls.join(", ").toStdString();
}

TEST(Reboot, SystemPathTriesLogindFirstThenSystemctl)
{
    // The environment stays forbidding: only the recorded actions can be reached, and
    // even the real ones would refuse.
    ForbidGuard guard;
    qputenv("ZEPRIL_FORBID_REBOOT", "1");

    {
        RecordingActions rec;
        SystemRebooter rebooter(QString(), rec.actions(), false);
        EXPECT_TRUE(rebooter.requestReboot());
        EXPECT_EQ(rec.calls, QStringList{"logind"});
    }
    {
        RecordingActions rec;
        rec.logindSucceeds = false;
        SystemRebooter rebooter(QString(), rec.actions(), false);
        EXPECT_TRUE(rebooter.requestReboot());
        EXPECT_EQ(rec.calls, (QStringList{"logind", "systemctl"}));
    }
    {
        RecordingActions rec;
        rec.logindSucceeds = false;
        rec.systemctlSucceeds = false;
        SystemRebooter rebooter(QString(), rec.actions(), false);
        EXPECT_FALSE(rebooter.requestReboot());
        EXPECT_EQ(rec.calls, (QStringList{"logind", "systemctl"}));
    }
    {
        // A configured command replaces the system paths altogether.
        RecordingActions rec;
        SystemRebooter rebooter(QStringLiteral("sudo /sbin/reboot --force"), rec.actions(), false);
        EXPECT_TRUE(rebooter.requestReboot());
        EXPECT_EQ(rec.calls, QStringList{"run sudo /sbin/reboot|--force"});
    }
}
