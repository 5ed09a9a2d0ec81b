// What the FTP engine refuses to send, against a real FTP server on 127.0.0.1.
#include "net/ftp_transfer.h"
#include "net_test.h"

TEST_F(FtpServerTest, TheEngineRefusesPathsThatClimbLineBreaksAndCommandsWhileBusy)
{
    FtpTransfer engine;
    engine.configure({QStringLiteral("127.0.0.1"), false, server.port(), kFtpUser, kFtpPassword, 2});
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
        EXPECT_FALSE(engine.execute(command));
        EXPECT_FALSE(engine.result().error.isEmpty());
        EXPECT_FALSE(engine.busy());
    }
    EXPECT_FALSE(local.exists(QStringLiteral("x")));

    ASSERT_TRUE(engine.execute({CommandKind::Ls, {}, {}}));
    EXPECT_TRUE(engine.busy());
    EXPECT_FALSE(engine.execute({CommandKind::Pwd, {}, {}}));
    EXPECT_FALSE(engine.result().error.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.busy(); }, 20000));
    EXPECT_TRUE(engine.result().ok);
    const QStringList commands = server.commands();
    EXPECT_EQ(countVerb(commands, "RETR") + countVerb(commands, "DELE"), 0) << commands.join(u'|').toStdString();
}
