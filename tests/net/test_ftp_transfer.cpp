// The FTP transfer control against a real FTP server on 127.0.0.1.
#include "ftp_test_tree.h"
#include "net/ftp_transfer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>
#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>

using namespace zepril;
using namespace zepril::test;

namespace {

struct Outcome {
    bool ok = false;
    QList<int> states;
    QByteArray answer;
};

// Runs one command to its end and reads the whole answer.
Outcome run(FtpTransfer& inet, const QString& command)
{
    Outcome o;
    QEventLoop loop;
    const auto c = QObject::connect(&inet, &TransferControl::stateChanged, &loop, [&](int s) {
        o.states << s;
        if (!inet.stillExecuting())
            loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit); // fails the test instead of hanging it
    if (inet.execute(command) && inet.stillExecuting())
        loop.exec();
    QObject::disconnect(c);
    EXPECT_FALSE(inet.stillExecuting()) << command.toStdString();
    o.ok = inet.succeeded();
    for (QByteArray chunk = inet.getChunk(1); !chunk.isEmpty(); chunk = inet.getChunk(1))
        o.answer += chunk;
    return o;
}

void configure(FtpTransfer& inet, int port, const QString& password = kFtpPassword, const QString& host = "127.0.0.1")
{
    inet.setProtocol(TransferControl::ProtocolFtp);
    inet.setRemotePort(port);
    inet.setUrl(host);
    inet.setUserName(kFtpUser);
    inet.setPassword(password);
    inet.setRequestTimeout(2);
}

class FtpTransferTest : public FtpServerTest {
protected:
    void SetUp() override
    {
        FtpServerTest::SetUp();
        configure(inet, server.port());
    }

    FtpTransfer inet;
};

}

TEST_F(FtpTransferTest, ListsAndChangesDirectoryOnOneConnection)
{
    const Outcome ls = run(inet, QStringLiteral("LS"));
    ASSERT_TRUE(ls.ok) << inet.lastError().toStdString();
    EXPECT_EQ(ls.answer, QByteArray("a.avi\r\ndocs/\r\nb.avi\r\nimg/\r\n"));
    ASSERT_FALSE(ls.states.isEmpty());
    EXPECT_EQ(ls.states.first(), 1); // a new connection starts with the name lookup
    EXPECT_EQ(ls.states.last(), 12);
    EXPECT_TRUE(ls.states.contains(5) && ls.states.contains(7));

    const Outcome cd = run(inet, QStringLiteral("CD docs/"));
    EXPECT_TRUE(cd.ok) << inet.lastError().toStdString();
    EXPECT_FALSE(cd.states.contains(1)) << "the open connection is used again";

    // A directory that is not there: a failure, and we stay where we were.
    const Outcome missing = run(inet, QStringLiteral("CD nowhere/"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.states.last(), 11);
    EXPECT_EQ(inet.responseCode(), 550);
    EXPECT_EQ(run(inet, QStringLiteral("PWD")).answer, QByteArray("/docs"));
    EXPECT_EQ(run(inet, QStringLiteral("LS")).answer, QByteArray("empty/\r\nreadme.txt\r\nmy clip.avi\r\n"));

    const QStringList commands = server.commands();
    EXPECT_EQ(countVerb(commands, "USER"), 1) << commands.join(u'|').toStdString();
    EXPECT_EQ(countVerb(commands, "PASS"), 1);
    EXPECT_EQ(countVerb(commands, "MLSD"), 2);
}

TEST_F(FtpTransferTest, FetchesFilesWholeOrNotAtAll)
{
    EXPECT_TRUE(run(inet, QStringLiteral("LS")).ok);
    const Outcome get = run(inet, QStringLiteral("GET a.avi ") + local.path(QStringLiteral("a.avi")));
    ASSERT_TRUE(get.ok) << inet.lastError().toStdString();
    EXPECT_EQ(get.states.last(), 12);
    EXPECT_EQ(local.read(QStringLiteral("a.avi")), videoBytes());

    // A file the server does not have leaves an earlier local copy alone, and no
    // half-written file beside it.
    local.write(QStringLiteral("gone.avi"), "previous");
    const Outcome missing = run(inet, QStringLiteral("GET gone.avi ") + local.path(QStringLiteral("gone.avi")));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.states.last(), 11);
    EXPECT_EQ(local.read(QStringLiteral("gone.avi")), QByteArray("previous"));
    EXPECT_EQ(QDir(local.root()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // A receiving directory that does not exist is refused before anything is sent.
    EXPECT_FALSE(inet.execute(QStringLiteral("GET readme.txt ") + local.path(QStringLiteral("no/readme.txt"))));
    EXPECT_FALSE(inet.stillExecuting());
}

TEST_F(FtpTransferTest, RefusesPathsThatClimbAndCommandsWhileBusy)
{
    const QString escape = local.path(QStringLiteral("in/../x"));
    local.mkdir(QStringLiteral("in"));
    EXPECT_FALSE(inet.execute(QStringLiteral("GET ../x ") + escape));
    EXPECT_FALSE(inet.lastError().isEmpty());
    EXPECT_FALSE(inet.stillExecuting());
    EXPECT_FALSE(local.exists(QStringLiteral("x")));
    EXPECT_FALSE(inet.execute(QStringLiteral("RMD docs")));
    EXPECT_FALSE(inet.execute(QStringLiteral("CD a\r\nDELE a.avi")));

    ASSERT_TRUE(inet.execute(QStringLiteral("LS")));
    EXPECT_TRUE(inet.stillExecuting());
    EXPECT_FALSE(inet.execute(QStringLiteral("PWD")));
    EXPECT_FALSE(inet.lastError().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !inet.stillExecuting(); }, 20000));
    EXPECT_TRUE(inet.succeeded());
    EXPECT_EQ(countVerb(server.commands(), "RETR"), 0);
}

TEST_F(FtpTransferTest, ListsWithListWhenTheServerHasNoMlsd)
{
    server.stop();
    ASSERT_TRUE(server.start(remote.root(), kFtpUser, kFtpPassword, {QStringLiteral("--no-mlsd")}));
    configure(inet, server.port());
    EXPECT_EQ(run(inet, QStringLiteral("LS")).answer, QByteArray("a.avi\r\ndocs/\r\nb.avi\r\nimg/\r\n"));
    EXPECT_TRUE(run(inet, QStringLiteral("CD docs/")).ok);
    EXPECT_EQ(run(inet, QStringLiteral("LS")).answer, QByteArray("empty/\r\nreadme.txt\r\nmy clip.avi\r\n"));
    EXPECT_EQ(countVerb(server.commands(), "MLSD"), 1) << "asked once, then remembered";
}

TEST_F(FtpTransferTest, RefusedLoginAndTlsDemandFailWithoutLeakingThePassword)
{
    static QStringList messages;
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& m) { messages << m; });

    FtpTransfer refused;
    configure(refused, server.port(), QStringLiteral("wrong-secret"));
    const Outcome denied = run(refused, QStringLiteral("LS"));
    EXPECT_FALSE(denied.ok);
    EXPECT_EQ(denied.states.last(), 11);
    EXPECT_EQ(refused.responseCode(), 530);
    EXPECT_EQ(denied.answer, QByteArray());

    // ftps asks for TLS before the login; a server without it never sees the password.
    FtpTransfer tls;
    configure(tls, server.port(), kFtpPassword, QStringLiteral("ftps://127.0.0.1"));
    EXPECT_FALSE(run(tls, QStringLiteral("LS")).ok);
    const QStringList commands = server.commands();
    EXPECT_TRUE(commands.contains(QStringLiteral("AUTH TLS"))) << commands.join(u'|').toStdString();
    EXPECT_EQ(countVerb(commands.mid(commands.lastIndexOf(QStringLiteral("AUTH TLS"))), "PASS"), 0);

    // Nor does the log of a session that works.
    EXPECT_TRUE(run(inet, QStringLiteral("LS")).ok);
    EXPECT_TRUE(run(inet, QStringLiteral("GET b.avi ") + local.path(QStringLiteral("b.avi"))).ok);
    qInstallMessageHandler(previous);
    ASSERT_FALSE(messages.isEmpty());
    for (const QString& m : messages) {
        EXPECT_FALSE(m.contains(kFtpPassword)) << m.toStdString();
        EXPECT_FALSE(m.contains(QStringLiteral("wrong-secret"))) << m.toStdString();
    }
}

TEST(FtpTransferServers, ClosingTheControlDoesNotWaitForAStalledServer)
{
    QTcpServer silent; // accepts the connection, never greets
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    QElapsedTimer t;
    {
        FtpTransfer inet;
        configure(inet, silent.serverPort());
        inet.setRequestTimeout(30);
        ASSERT_TRUE(inet.execute(QStringLiteral("LS")));
        QTest::qWait(200); // the worker is inside the request by then
        t.start();
    }
    // Far below the 30 s the request would otherwise wait for the greeting.
    EXPECT_LT(t.elapsed(), 5000);
}
