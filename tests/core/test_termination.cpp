#include "core/termination.h"

#include <QList>
#include <QtCore/qtestsupport_core.h>

#include <csignal>

#include "core_test.h"

TEST(TerminationWatcher, TurnsTheStopSignalsIntoAQtSignalInsteadOfDying)
{
    {
        TerminationWatcher watcher;
        QList<int> received;
        QObject::connect(&watcher, &TerminationWatcher::terminationRequested, [&](int s) { received << s; });
        // Without the handler either raise would end this test program.
        ASSERT_EQ(std::raise(SIGTERM), 0);
        ASSERT_EQ(std::raise(SIGINT), 0);
        EXPECT_TRUE(received.isEmpty()); // told through the event loop, never from the handler
        ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() >= 2; }, 3000));
        EXPECT_EQ(received, QList<int>({SIGTERM, SIGINT}));
    }
    // Gone with the watcher: the default action is back.
    struct sigaction current = {};
    ASSERT_EQ(sigaction(SIGTERM, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}
