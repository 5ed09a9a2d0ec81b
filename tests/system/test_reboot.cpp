#include "system/reboot.h"

#include "support/temp_tree.h"

#include <QFile>
#include <QThread>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

using namespace zepril;

namespace {
// Records which way the rebooter chose; none of them touches the machine.
RebootActions recording(QStringList& calls, bool logind = true, bool systemctl = true)
{
    return {[&calls](const QString& p, const QStringList& a) { return calls << "run " + p + " " + a.join('|'), true; },
            [&calls, logind](QString&) { return calls << "logind", logind; },
            [&calls, systemctl](QString&) { return calls << "systemctl", systemctl; }};
}

// Only ever made stricter, so that no test here can expose another to a real restart.
[[maybe_unused]] const bool kForbidden = qputenv("ZEPRIL_FORBID_REBOOT", "1");
}

TEST(Reboot, TheCommandWinsEvenWhereForbiddenOtherwiseLogindThenSystemctlUnlessForbidden)
{
    test::TempTree tree;
    const QString script = tree.write("reboot.sh", "#!/bin/sh\necho \"$1\" >> \"" + tree.path("log").toUtf8() + "\"\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
    SystemRebooter rebooter(QStringLiteral("\"%1\" \"daily restart\"").arg(script));
    requestRebootNow(rebooter);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tree.read("log").isEmpty(); }, 5000)); // the command runs detached
    QThread::msleep(300); // time for a second start, were there one
    EXPECT_EQ(tree.read("log"), "daily restart\n");
    EXPECT_TRUE(rebooter.requestReboot());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree.read("log") == "daily restart\ndaily restart\n"; }, 5000));
    EXPECT_FALSE(SystemRebooter(tree.path("no-such-command")).requestReboot());

    // Without a command: logind first, then systemctl, and neither where a system restart is forbidden.
    ASSERT_TRUE(systemRebootForbidden()); // only the recorded actions are reachable; the real ones would refuse too
    struct Row { bool forbidden, logind, systemctl; QString command; bool expected; QStringList calls; };
    const Row rows[] = {
        {false, true, true, {}, true, {"logind"}},
        {false, false, true, {}, true, {"logind", "systemctl"}},
        {false, false, false, {}, false, {"logind", "systemctl"}},
        {false, false, false, "sudo /sbin/reboot --force", true, {"run sudo /sbin/reboot|--force"}}, // replaces both
        {true, true, true, {}, false, {}},
        {true, true, true, "   ", false, {}}, // a blank setting is no command either
    };
    for (const Row& row : rows) {
        QStringList calls;
        SystemRebooter rebooter(row.command, recording(calls, row.logind, row.systemctl), row.forbidden);
        EXPECT_EQ(rebooter.requestReboot(), row.expected);
        EXPECT_EQ(calls, row.calls) << row.calls.join(", ").toStdString();
    }
    // Without an explicit answer the rebooter reads the environment the tests set.
    QStringList calls;
    EXPECT_FALSE(SystemRebooter(QString(), recording(calls)).requestReboot());
    EXPECT_TRUE(calls.isEmpty());
}
