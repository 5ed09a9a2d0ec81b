// What the FTP engine refuses to send, against a real FTP server on 127.0.0.1.
#include "net/ftp_transfer.h"
#include "net_test.h"

TEST_F(FtpServerTest, TheEngineRefusesPathsThatClimbLineBreaksAndCommandsWhileBusy)
{
    FtpTransfer inet;
    inet.configure({QStringLiteral("127.0.0.1"), false, server.port(), kFtpUser, kFtpPassword, 2});
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

    ASSERT_TRUE(inet.execute({CommandKind::Ls, {}, {}}));
    EXPECT_TRUE(inet.stillExecuting());
    EXPECT_FALSE(inet.execute({CommandKind::Pwd, {}, {}}));
    EXPECT_FALSE(inet.lastError().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !inet.stillExecuting(); }, 20000));
    EXPECT_TRUE(inet.succeeded());
    const QStringList commands = server.commands();
    EXPECT_EQ(countVerb(commands, "RETR") + countVerb(commands, "DELE"), 0) << commands.join(u'|').toStdString();
}
