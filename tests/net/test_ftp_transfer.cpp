// The FTP transfer control against a real FTP server on 127.0.0.1.
#include "ftp_test_tree.h"
#include "net/ftp_transfer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zepril;
using namespace zepril::test;

namespace {

const QString kUser = QStringLiteral("tester");
const QString kPassword = QStringLiteral("Pw-7731xq");

struct Outcome {
    bool started = false;
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
    o.started = inet.execute(command);
    if (o.started && inet.stillExecuting())
        loop.exec();
    QObject::disconnect(c);
    EXPECT_FALSE(inet.stillExecuting()) << command.toStdString();
    o.ok = inet.succeeded();
    for (QByteArray chunk = inet.getChunk(1); !chunk.isEmpty(); chunk = inet.getChunk(1))
        o.answer += chunk;
    return o;
}

void configure(FtpTransfer& inet, int port, const QString& password = kPassword, const QString& host = "127.0.0.1")
{
    inet.setProtocol(TransferControl::ProtocolFtp);
    inet.setRemotePort(port);
    inet.setUrl(host);
    inet.setUserName(kUser);
    inet.setPassword(password);
    inet.setRequestTimeout(2);
}

int count(const QStringList& commands, const QString& verb)
{
    int n = 0;
    for (const QString& c : commands)
        n += c.section(u' ', 0, 0) == verb;
    return n;
}

class FtpTransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        buildRemoteTree(remote);
        ASSERT_TRUE(server.start(remote.root(), kUser, kPassword)) << server.errorText().toStdString();
        configure(inet, server.port());
    }

    TempTree remote;
    TempTree local;
    FtpTestServer server;
    FtpTransfer inet;
};

}

TEST_F(FtpTransferTest, ListsChangesDirectoryAndReportsItOnOneConnection)
{
    Outcome ls = run(inet, QStringLiteral("LS"));
    ASSERT_TRUE(ls.ok) << inet.lastError().toStdString();
    EXPECT_EQ(ls.answer, QByteArray("a.avi\r\ndocs/\r\nb.avi\r\nimg/\r\n"));
    ASSERT_FALSE(ls.states.isEmpty());
    EXPECT_EQ(ls.states.first(), 1); // a new connection starts with the name lookup
    EXPECT_EQ(ls.states.last(), 12);
    EXPECT_TRUE(ls.states.contains(5) && ls.states.contains(7));

    EXPECT_EQ(run(inet, QStringLiteral("PWD")).answer, QByteArray("/"));

    Outcome cd = run(inet, QStringLiteral("CD docs/"));
    EXPECT_TRUE(cd.ok) << inet.lastError().toStdString();
    EXPECT_FALSE(cd.states.contains(1)) << "the open connection is used again";
    EXPECT_EQ(run(inet, QStringLiteral("PWD")).answer, QByteArray("/docs"));
    EXPECT_EQ(inet.workingDirectory(), "/docs");
    EXPECT_EQ(run(inet, QStringLiteral("LS")).answer, QByteArray("empty/\r\nreadme.txt\r\nmy clip.avi\r\n"));

    // A directory that is not there: a failure, and we stay where we were.
    Outcome missing = run(inet, QStringLiteral("CD nowhere/"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.states.last(), 11);
    EXPECT_EQ(inet.responseCode(), 550);
    EXPECT_EQ(run(inet, QStringLiteral("PWD")).answer, QByteArray("/docs"));

    EXPECT_TRUE(run(inet, QStringLiteral("CD empty/")).ok);
    Outcome empty = run(inet, QStringLiteral("LS"));
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.answer, QByteArray());
    EXPECT_TRUE(run(inet, QStringLiteral("CD ..")).ok);
    EXPECT_EQ(run(inet, QStringLiteral("PWD")).answer, QByteArray("/docs"));

    const QStringList commands = server.commands();
    EXPECT_EQ(count(commands, "USER"), 1) << commands.join(u'|').toStdString();
    EXPECT_EQ(count(commands, "PASS"), 1);
    EXPECT_GE(count(commands, "MLSD"), 3);
}

TEST_F(FtpTransferTest, FetchesFilesWholeOrNotAtAll)
{
    EXPECT_TRUE(run(inet, QStringLiteral("LS")).ok);
    const QString target = local.path(QStringLiteral("a.avi"));
    Outcome get = run(inet, QStringLiteral("GET a.avi ") + target);
    ASSERT_TRUE(get.ok) << inet.lastError().toStdString();
    EXPECT_EQ(get.states.last(), 12);
    EXPECT_EQ(local.read(QStringLiteral("a.avi")), videoBytes());

    // Names with blanks, relative to the working directory.
    EXPECT_TRUE(run(inet, QStringLiteral("CD docs")).ok);
    const QString clip = local.path(QStringLiteral("my clip.avi"));
    EXPECT_TRUE(run(inet, QStringLiteral("GET my clip.avi ") + clip).ok) << inet.lastError().toStdString();
    EXPECT_EQ(local.read(QStringLiteral("my clip.avi")), QByteArray("clip"));

    // A file the server does not have leaves an earlier local copy alone, and no
    // half-written file beside it.
    local.write(QStringLiteral("gone.avi"), "previous");
    Outcome missing = run(inet, QStringLiteral("GET gone.avi ") + local.path(QStringLiteral("gone.avi")));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.states.last(), 11);
    EXPECT_EQ(local.read(QStringLiteral("gone.avi")), QByteArray("previous"));
    EXPECT_EQ(QDir(local.root()).entryList(QDir::Files | QDir::Hidden).size(), 3);

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
    QEventLoop loop;
    QObject::connect(&inet, &TransferControl::stateChanged, &loop, [&] {
        if (!inet.stillExecuting())
            loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(inet.succeeded());
    EXPECT_EQ(count(server.commands(), "RETR"), 0);
}

TEST(FtpTransferServers, ListsWithListWhenTheServerHasNoMlsd)
{
    TempTree remote;
    buildRemoteTree(remote);
    FtpTestServer server;
    ASSERT_TRUE(server.start(remote.root(), kUser, kPassword, {QStringLiteral("--no-mlsd")}));
    FtpTransfer inet;
    configure(inet, server.port());
    EXPECT_EQ(run(inet, QStringLiteral("LS")).answer, QByteArray("a.avi\r\ndocs/\r\nb.avi\r\nimg/\r\n"));
    EXPECT_TRUE(run(inet, QStringLiteral("CD docs/")).ok);
    EXPECT_EQ(run(inet, QStringLiteral("LS")).answer, QByteArray("empty/\r\nreadme.txt\r\nmy clip.avi\r\n"));
    EXPECT_EQ(count(server.commands(), "MLSD"), 1) << "asked once, then remembered";
}

TEST(FtpTransferServers, RefusedLoginAndTlsDemandFailWithoutLeakingThePassword)
{
    TempTree remote;
    buildRemoteTree(remote);
    FtpTestServer server;
    ASSERT_TRUE(server.start(remote.root(), kUser, kPassword));

    static QStringList messages;
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& m) { messages << m; });

    {
        FtpTransfer inet;
        configure(inet, server.port(), QStringLiteral("wrong-secret"));
        Outcome o = run(inet, QStringLiteral("LS"));
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.states.last(), 11);
        EXPECT_EQ(inet.responseCode(), 530);
        EXPECT_EQ(o.answer, QByteArray());
    }
    {
        // ftps asks for TLS before the login; a server without it never sees the password.
        FtpTransfer inet;
        configure(inet, server.port(), kPassword, QStringLiteral("ftps://127.0.0.1"));
        Outcome o = run(inet, QStringLiteral("LS"));
        EXPECT_FALSE(o.ok);
        const QStringList commands = server.commands();
        EXPECT_TRUE(commands.contains(QStringLiteral("AUTH TLS"))) << commands.join(u'|').toStdString();
        EXPECT_EQ(count(commands.mid(commands.lastIndexOf(QStringLiteral("AUTH TLS"))), "PASS"), 0);
    }
    {
        FtpTransfer inet;
        configure(inet, server.port());
        TempTree local;
        EXPECT_TRUE(run(inet, QStringLiteral("LS")).ok);
        EXPECT_TRUE(run(inet, QStringLiteral("GET b.avi ") + local.path(QStringLiteral("b.avi"))).ok);
    }
    qInstallMessageHandler(previous);
    ASSERT_FALSE(messages.isEmpty());
    for (const QString& m : messages) {
        EXPECT_FALSE(m.contains(kPassword)) << m.toStdString();
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
        QEventLoop settle; // the worker is inside the request by then
        QTimer::singleShot(200, &settle, &QEventLoop::quit);
        settle.exec();
        t.start();
    }
    // Far below the 30 s the request would otherwise wait for the greeting.
    EXPECT_LT(t.elapsed(), 5000);
}
