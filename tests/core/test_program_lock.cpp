#include "core/program_lock.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QThread>

#include "core_test.h"

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

TEST(ProgramLock, OneHolderPerDirectoryUntilItsProcessDiesAndNoneWithoutADirectory)
{
    TempTree tree, other, unwritable; // unwritable has no cfg/: the lock file cannot be made
    tree.mkdir("cfg");
    other.mkdir("cfg");
    qputenv("ZEPRIL_TEST_CHILD_HOME", QFile::encodeName(tree.root())); // the child inherits it
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=ProgramLockChild.DISABLED_HoldsTheLockUntilKilled", "--gtest_also_run_disabled_tests"});
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
    EXPECT_TRUE(ProgramLock(ProgramPaths(other.root())).acquired()) << "another directory is not guarded";
    EXPECT_TRUE(ProgramLock(ProgramPaths(unwritable.root())).acquired()) << "nowhere to lock must not stop the player";
    EXPECT_FALSE(unwritable.exists("cfg"));

    // A killed player leaves no stale lock behind: the system released it.
    child.kill();
    ASSERT_TRUE(child.waitForFinished(5000));
    const ProgramLock after(ProgramPaths(tree.root()));
    EXPECT_TRUE(after.acquired());
    EXPECT_EQ(tree.read("cfg/zepril.lock").trimmed().toLongLong(), QCoreApplication::applicationPid());
}
