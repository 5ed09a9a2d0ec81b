// The FTP engine's own guarantees against a real FTP server on 127.0.0.1: what it
// refuses to send, the fallback for servers without MLSD, and a close that does not
// wait for a stalled server.
#include "ftp_test_tree.h"
#include "net/ftp_transfer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>

using namespace zepril;
using namespace zepril::test;

namespace {

FtpSettings settingsFor(int port, int timeoutS = 2)
{
    return {QStringLiteral("127.0.0.1"), false, port, kFtpUser, kFtpPassword, timeoutS};
}

// Runs one command to its end; the answer it leaves, or nothing when it failed.
QByteArray run(FtpTransfer& inet, const FtpCommand& command, bool* ok = nullptr)
{
    const bool started = inet.execute(command);
    EXPECT_TRUE(started) << inet.lastError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !inet.stillExecuting(); }, 20000));
    if (ok)
        *ok = started && inet.succeeded();
    return inet.response();
}

const FtpCommand kLs{CommandKind::Ls, {}, {}};

class FtpTransferTest : public FtpServerTest {
protected:
    void SetUp() override
    {
        FtpServerTest::SetUp();
        inet.configure(settingsFor(server.port()));
    }

    FtpTransfer inet;
};

}

TEST_F(FtpTransferTest, RefusesPathsThatClimbLineBreaksAndCommandsWhileBusy)
{
    local.mkdir(QStringLiteral("in"));
    const FtpCommand refused[] = {
        {CommandKind::Get, QStringLiteral("../x"), local.path(QStringLiteral("in/x"))},
        {CommandKind::Get, QStringLiteral("x"), local.path(QStringLiteral("in/../x"))},
        {CommandKind::Get, QStringLiteral("readme.txt"), local.path(QStringLiteral("no/readme.txt"))},
        {CommandKind::Get, QStringLiteral("a.avi"), {}},
        {CommandKind::Cd, QStringLiteral("a\r\nDELE a.avi"), {}},
        {CommandKind::Cd, {}, {}},
    };
    for (const FtpCommand& command : refused) {
        SCOPED_TRACE((command.argument + u'|' + command.local).toStdString());
        EXPECT_FALSE(inet.execute(command));
        EXPECT_FALSE(inet.lastError().isEmpty());
        EXPECT_FALSE(inet.stillExecuting());
    }
    EXPECT_FALSE(local.exists(QStringLiteral("x")));

    ASSERT_TRUE(inet.execute(kLs));
    EXPECT_TRUE(inet.stillExecuting());
    EXPECT_FALSE(inet.execute({CommandKind::Pwd, {}, {}}));
    EXPECT_FALSE(inet.lastError().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !inet.stillExecuting(); }, 20000));
    EXPECT_TRUE(inet.succeeded());
    const QStringList commands = server.commands();
    EXPECT_EQ(countVerb(commands, "RETR") + countVerb(commands, "DELE"), 0) << commands.join(u'|').toStdString();
}

TEST_F(FtpTransferTest, ListsWithListWhenTheServerHasNoMlsd)
{
    server.stop();
    ASSERT_TRUE(server.start(remote.root(), kFtpUser, kFtpPassword, {QStringLiteral("--no-mlsd")}));
    inet.configure(settingsFor(server.port()));
    EXPECT_EQ(run(inet, kLs), QByteArray("a.avi\r\ndocs/\r\nb.avi\r\nimg/\r\n"));
    bool ok = false;
    run(inet, {CommandKind::Cd, QStringLiteral("docs/"), {}}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(run(inet, kLs), QByteArray("empty/\r\nreadme.txt\r\nmy clip.avi\r\n"));
    EXPECT_EQ(countVerb(server.commands(), "MLSD"), 1) << "asked once, then remembered";
}

TEST(FtpTransferServers, ClosingTheEngineDoesNotWaitForAStalledServer)
{
    QTcpServer silent; // accepts the connection, never greets
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    QElapsedTimer t;
    {
        FtpTransfer inet;
        inet.configure(settingsFor(silent.serverPort(), 30));
        ASSERT_TRUE(inet.execute(kLs));
        QTest::qWait(200); // the worker is inside the request by then
        t.start();
    }
    // Far below the 30 s the request would otherwise wait for the greeting.
    EXPECT_LT(t.elapsed(), 5000);
}
