#include "monitoring/control_socket.h"

#include "support/core_fakes.h"
#include "support/temp_tree.h"

#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zepril;

namespace {

// Asks from another thread while this one runs the server's event loop.
ControlAnswer ask(const QString& path, const QString& request)
{
    auto answer = std::async(std::launch::async, [&] { return askPlayer(path, request, 5000); });
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 8000));
    return answer.get();
}

// A process of user nobody asks for the status with plain system calls; its exit
// status says how far it got: 0 answered, 1 could not connect, 2 closed unanswered.
int askAsNobody(const QString& path)
{
    const QByteArray name = path.toLocal8Bit();
    const pid_t child = fork();
    if (child == 0) {
        sockaddr_un address {.sun_family = AF_UNIX, .sun_path = {}};
        std::strncpy(address.sun_path, name.constData(), sizeof address.sun_path - 1);
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            _exit(1);
        char buffer[64];
        _exit(write(fd, "status\n", 7) == 7 && read(fd, buffer, sizeof buffer) > 0 ? 0 : 2);
    }
    int status = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return waitpid(child, &status, WNOHANG) == child; }, 8000));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}

TEST(ControlSocket, AnswersItsOwnUserOnlyAndSaysWhenNoPlayerListens)
{
    ASSERT_EQ(geteuid(), 0u) << "the other user's side needs root to become nobody";
    test::TempTree tree;
    const QString path = tree.path(kControlSocketName);
    EXPECT_EQ(askPlayer(path, "status", 2000).kind, ControlAnswer::NoPlayer);
    tree.write(kControlSocketName, "left by a crashed player");
    ControlServer server(path);
    server.setHandler("status", [](QString&) { return std::optional<QByteArray>("{}\n"); });
    server.setHandler("screenshot", [](QString& error) {
        error = "the screen could not be grabbed";
        return std::optional<QByteArray>();
    });
    ASSERT_TRUE(server.listen());
    struct stat info{};
    ASSERT_EQ(stat(path.toLocal8Bit(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const ControlAnswer status = ask(path, "status");
    EXPECT_EQ(status.kind, ControlAnswer::Answered);
    EXPECT_EQ(status.body, "{}\n");
    const ControlAnswer failed = ask(path, "screenshot");
    EXPECT_EQ(failed.kind, ControlAnswer::Failed);
    EXPECT_EQ(failed.error, "the screen could not be grabbed");

    // Another user cannot even connect; were the socket's mode opened up, the peer's
    // uid would still be refused.
    ASSERT_EQ(chmod(tree.root().toLocal8Bit(), 0711), 0); // the tree's own mode is not what is tested
    EXPECT_EQ(askAsNobody(path), 1);
    ASSERT_EQ(chmod(path.toLocal8Bit(), 0666), 0);
    test::LogCapture log("zepril.monitoring");
    EXPECT_EQ(askAsNobody(path), 2);
    EXPECT_TRUE(log.warnings.join('\n').contains("refused a process of uid 65534"))
        << log.lines.join('\n').toStdString();
    EXPECT_EQ(ask(path, "status").kind, ControlAnswer::Answered) << "the player's own user is still answered";
}
