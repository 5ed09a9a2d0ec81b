#include "core/program_lock.h"

#include "support/temp_tree.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

using namespace zepril;

// The child side of the test below: holds the lock of ZEPRIL_TEST_CHILD_HOME until
// it is killed, and says so on its standard output.
TEST(ProgramLockChild, DISABLED_HoldsTheLockUntilKilled)
{
    const ProgramLock lock(ProgramPaths(qEnvironmentVariable("ZEPRIL_TEST_CHILD_HOME")));
    ASSERT_TRUE(lock.acquired());
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    QThread::sleep(60);
}

TEST(ProgramLock, OneHolderPerDirectoryUntilItsProcessDies)
{
    test::TempTree tree;
    tree.mkdir("cfg");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZEPRIL_TEST_CHILD_HOME", tree.root());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=ProgramLockChild.DISABLED_HoldsTheLockUntilKilled", "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(child.waitForStarted(5000));
    QByteArray out;
    while (!out.contains("held\n") && child.waitForReadyRead(10000))
        out += child.readAllStandardOutput();
    ASSERT_TRUE(out.contains("held\n")) << out.constData();

    {
        const ProgramLock second(ProgramPaths(tree.root()));
        EXPECT_FALSE(second.acquired());
        EXPECT_EQ(second.holderPid(), child.processId());
        EXPECT_EQ(second.filePath(), tree.path("cfg/zepril.lock"));
    }
    // Another directory is not guarded by this lock.
    test::TempTree other;
    other.mkdir("cfg");
    EXPECT_TRUE(ProgramLock(ProgramPaths(other.root())).acquired());

    // A killed player leaves no stale lock behind: the system released it.
    child.kill();
    ASSERT_TRUE(child.waitForFinished(5000));
    const ProgramLock after(ProgramPaths(tree.root()));
    EXPECT_TRUE(after.acquired());
    EXPECT_EQ(tree.read("cfg/zepril.lock").trimmed().toLongLong(), QCoreApplication::applicationPid());
}

TEST(ProgramLock, AnUnwritableDirectoryDoesNotStopThePlayer)
{
    test::TempTree tree; // no cfg/: the lock file cannot be made
    const ProgramLock lock(ProgramPaths(tree.root()));
    EXPECT_TRUE(lock.acquired());
    EXPECT_FALSE(tree.exists("cfg"));
}
