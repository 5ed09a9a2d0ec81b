// The operator's FTP browser with its real engine and a real FTP server on 127.0.0.1:
// the start-up listing, browsing and fetching, and the start-up with no server.
#include "net/ftp_listing.h"
#include "net/ftp_session.h"
#include "net/ftp_transfer.h"
#include "net_test.h"
#include "support/core_fakes.h"

namespace {

FtpSessionSettings settingsFor(int port, const QString& password = kFtpPassword, int timeoutS = 4)
{
    return {{"ftp", "127.0.0.1", port}, kFtpUser, password, timeoutS};
}

class FtpBrowser : public FtpServerTest {
protected:
    FtpTransfer engine;
    FtpSession session{engine};
};

}

TEST_F(FtpBrowser, StartUpListsTheServerAndTheOperatorBrowsesAndFetches)
{
    QStringList statuses;
    QObject::connect(&session, &FtpSession::statusTextChanged, [&](const QString& s) { statuses << s; });
    session.connectToServer(settingsFor(server.port()));
    EXPECT_EQ(session.listedEntries(), (QStringList{"docs/", "img/", "a.avi", "b.avi"}));
    EXPECT_EQ(session.remoteDirectory(), "/");
    EXPECT_EQ(session.statusText(), "Request completed, all data received");
    EXPECT_TRUE(statuses.contains("Receiving a response from the host computer. Please wait..."))
        << statuses.join(u'|').toStdString();

    // Into docs/; a directory that is not there leaves the listing where it was.
    for (const auto& [go, browse] :
         {std::pair{&FtpSession::activateEntry, "docs/"}, std::pair{&FtpSession::listDirectory, "nowhere/"}}) {
        (session.*go)(QString::fromLatin1(browse));
        EXPECT_EQ(session.listedEntries(), (QStringList{"empty/", "readme.txt", "my clip.avi"})) << browse;
        EXPECT_EQ(session.remoteDirectory(), "/docs");
    }
    session.setLocalDirectory(local.mkdir(QStringLiteral("in"))); // the separator is supplied
    session.activateEntry(QStringLiteral("my clip.avi"));
    EXPECT_EQ(local.read(QStringLiteral("in/my clip.avi")), QByteArray("clip"));

    // A listing entry that names a path is neither fetched nor followed.
    const int retrBefore = countVerb(server.commands(), "RETR");
    for (const QString& entry : QStringList{"../x", "..", "../", "/etc/passwd", "a/b", "a/b/", "/", "./", ".", kMarker})
        session.activateEntry(entry);
    EXPECT_EQ(countVerb(server.commands(), "RETR"), retrBefore);
    EXPECT_TRUE(QDir(local.root()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(session.remoteDirectory(), "/docs");

    session.activateEntry(QStringLiteral("empty/"));
    EXPECT_EQ(session.listedEntries(), QStringList{kMarker});
    EXPECT_EQ(session.remoteDirectory(), "/docs/empty");

    session.listDirectory(QStringLiteral("/"));
    session.setLocalDirectory(local.root() + u'/');
    session.activateEntry(QStringLiteral("a.avi"));
    EXPECT_EQ(local.read(QStringLiteral("a.avi")), patterned(300000));
    // A file the server does not have leaves the earlier local copy, and nothing beside it.
    local.write(QStringLiteral("gone.avi"), "previous");
    session.activateEntry(QStringLiteral("gone.avi"));
    EXPECT_EQ(local.read(QStringLiteral("gone.avi")), QByteArray("previous"));
    EXPECT_EQ(QDir(local.root()).entryList(QDir::Files | QDir::Hidden), QStringList({"a.avi", "gone.avi"}));

    const QStringList commands = server.commands();
    EXPECT_EQ(countVerb(commands, "USER"), 1) << "one connection for the whole session";
    EXPECT_EQ(countVerb(commands, "MLSD"), 5); // login, docs, nowhere (listed where we were), empty, root
}

// On a server without MLSD: the engine asks for it once, then lists with LIST.
TEST_F(FtpBrowser, RefusedLoginAndTlsDemandEndWithTheMarkerAndNeverShowThePassword)
{
    server.stop();
    ASSERT_TRUE(server.start(remote.root(), kFtpUser, kFtpPassword, {QStringLiteral("--no-mlsd")}));
    LogCapture log;
    session.connectToServer(settingsFor(server.port(), QStringLiteral("wrong-secret")));
    EXPECT_EQ(session.listedEntries(), QStringList{kMarker});
    EXPECT_EQ(session.remoteDirectory(), QString());
    EXPECT_EQ(session.statusText(), "Error occurred in communicating with the host computer");
    EXPECT_EQ(engine.result().replyCode, 530);

    // ftps asks for TLS before the login; a server without it never sees the password.
    FtpSessionSettings tls = settingsFor(server.port());
    tls.server.scheme = QStringLiteral("ftps");
    session.connectToServer(tls);
    EXPECT_EQ(session.listedEntries(), QStringList{kMarker});
    const QStringList commands = server.commands();
    ASSERT_TRUE(commands.contains(QStringLiteral("AUTH TLS"))) << commands.join(u'|').toStdString();
    EXPECT_EQ(countVerb(commands.mid(commands.lastIndexOf(QStringLiteral("AUTH TLS"))), "PASS"), 0);

    // Nor does the log of a session that works.
    session.connectToServer(settingsFor(server.port()));
    EXPECT_EQ(session.listedEntries(), (QStringList{"docs/", "img/", "a.avi", "b.avi"}));
    session.setLocalDirectory(local.root());
    session.activateEntry(QStringLiteral("b.avi"));
    EXPECT_EQ(local.read(QStringLiteral("b.avi")), QByteArray("bee"));
    session.activateEntry(QStringLiteral("docs/"));
    EXPECT_EQ(session.listedEntries(), (QStringList{"empty/", "readme.txt", "my clip.avi"}));
    EXPECT_EQ(countVerb(server.commands(), "MLSD"), 1) << "asked once, then remembered";
    ASSERT_FALSE(log.lines.isEmpty());
    for (const QString& m : log.lines)
        EXPECT_FALSE(m.contains(kFtpPassword) || m.contains(QStringLiteral("wrong-secret"))) << m.toStdString();
}

// The FTP stage of the start-up with no usable server, with a 2 s request timeout: a
// closed port, and a server that accepts the connection but never greets. The bound
// catches a stage that waits for the dead server twice. The browser's wait lasts as long
// as the engine shows signs of life, and gives up once it has shown none for the request
// timeout, whatever the engine itself does; closing the engine does not wait either.
TEST(FtpBrowserServerDown, StartUpGoesOnWithinTheRequestTimeout)
{
    SilentServer silent;
    QElapsedTimer t;
    for (const auto& [name, port] :
         {std::pair{"closed port", unusedLocalPort()}, std::pair{"silent server", silent.port()}}) {
        SCOPED_TRACE(name);
        FtpTransfer engine;
        FtpSession session(engine);
        t.start();
        session.connectToServer(settingsFor(port, kFtpPassword, 2));
        EXPECT_EQ(session.listedEntries(), QStringList{kMarker});
        EXPECT_EQ(session.remoteDirectory(), QString());
        EXPECT_FALSE(engine.busy());
        EXPECT_LT(t.elapsed(), 3500);
        // A change of directory on the dead server waits for it once, not three times.
        t.restart();
        session.listDirectory(QStringLiteral("docs/"));
        EXPECT_EQ(session.listedEntries(), QStringList{kMarker});
        EXPECT_LT(t.elapsed(), 3500);
    }
    {
        FtpTransfer engine;
        FtpSession session(engine);
        session.connectToServer(settingsFor(unusedLocalPort(), kFtpPassword, 1)); // the wait's bound: 1 s
        engine.configure({QStringLiteral("127.0.0.1"), false, silent.port(), kFtpUser, kFtpPassword, 30});
        ASSERT_TRUE(engine.execute({CommandKind::Ls, {}, {}}));
        // Signs of life for 2.5 s, well past the 1.5 s the wait allows a silent engine.
        for (int beat = 1; beat <= 10; ++beat)
            QTimer::singleShot(250 * beat, &engine,
                               [&engine] { emit engine.stateReached(TransferState::ReceivingResponse); });
        t.restart();
        session.waitForIdle();
        EXPECT_GE(t.elapsed(), 2500);
        EXPECT_LT(t.elapsed(), 5000);
        EXPECT_TRUE(engine.busy());
        // While the engine works, the status says so once; an unknown state changes nothing.
        for (const auto state : {TransferState::Connecting, TransferState(42)}) {
            emit engine.stateReached(state);
            EXPECT_EQ(session.statusText(), "Connecting to the host computer. Please wait...") << int(state);
        }
        t.restart();
    }
    EXPECT_LT(t.elapsed(), 5000) << "far below the 30 s the request would wait for the greeting";
}
