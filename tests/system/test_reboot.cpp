#include "system/reboot.h"

#include "support/temp_tree.h"

#include <QFile>
#include <QThread>
#include <QtCore/qtestsupport_core.h>

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
        return {[this](const QString& program, const QStringList& args) {
                    calls << "run " + program + " " + args.join('|');
                    return true;
                },
                [this](QString&) {
                    calls << "logind";
                    return logindSucceeds;
                },
                [this](QString&) {
                    calls << "systemctl";
                    return systemctlSucceeds;
                }};
    }
};

QStringList linesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts) : QStringList();
}

// Only ever made stricter, so a test that sets it cannot expose another to a real restart.
void forbidSystemReboot() { qputenv("ZEPRIL_FORBID_REBOOT", "1"); }

}

TEST(Reboot, ConfiguredCommandRunsOncePerRequestWithItsArguments)
{
    test::TempTree tree;
    const QString log = tree.path("requests.log");
    const QString script = tree.write("reboot.sh", QStringLiteral("#!/bin/sh\necho \"$1\" >> \"%1\"\n").arg(log).toUtf8());
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);

    // The command wins even where a system restart is forbidden: tests and sudo kiosks rely on it.
    forbidSystemReboot();
    SystemRebooter rebooter(QStringLiteral("\"%1\" \"daily restart\"").arg(script));

    ForceReboot(rebooter);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !linesOf(log).isEmpty(); }, 5000)); // the command runs detached
    QThread::msleep(300); // time for a second start, were there one
    EXPECT_EQ(linesOf(log), QStringList{"daily restart"});

    EXPECT_TRUE(rebooter.requestReboot());
    EXPECT_TRUE(QTest::qWaitFor([&] { return linesOf(log).size() >= 2; }, 5000));
    EXPECT_EQ(linesOf(log), (QStringList{"daily restart", "daily restart"}));

    EXPECT_FALSE(SystemRebooter(tree.path("no-such-command")).requestReboot());
}

TEST(Reboot, SystemPathTriesLogindFirstThenSystemctlAndNeverWhenForbidden)
{
    forbidSystemReboot(); // only the recorded actions are reachable; the real ones would refuse too
    ASSERT_TRUE(systemRebootForbidden());
    struct Row {
        bool forbidden, logind, systemctl;
        QString command;
        bool expected;
        QStringList calls;
    };
    const Row rows[] = {
        {false, true, true, {}, true, {"logind"}},
        {false, false, true, {}, true, {"logind", "systemctl"}},
        {false, false, false, {}, false, {"logind", "systemctl"}},
        {false, false, false, "sudo /sbin/reboot --force", true, {"run sudo /sbin/reboot|--force"}}, // replaces both
        {true, true, true, {}, false, {}},
        {true, true, true, "   ", false, {}}, // a blank setting is no command either
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.calls.join(", ").toStdString());
        RecordingActions rec;
        rec.logindSucceeds = row.logind;
        rec.systemctlSucceeds = row.systemctl;
        SystemRebooter rebooter(row.command, rec.actions(), row.forbidden);
        EXPECT_EQ(rebooter.requestReboot(), row.expected);
        EXPECT_EQ(rec.calls, row.calls);
    }
    // Without an explicit answer the rebooter reads the environment the tests set.
    RecordingActions rec;
    EXPECT_FALSE(SystemRebooter(QString(), rec.actions()).requestReboot());
    EXPECT_TRUE(rec.calls.isEmpty());
}
