// The session's logic against a scripted transfer control: what it sends, in which
// order, and what it makes of the answers.
#include "net/ftp_listing.h"
#include "net/ftp_session.h"
#include "net/transfer_control.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zepril;

namespace {

const QString kMarker = QString(kEmptyFolderMarker);

struct Reply {
    bool ok = true;
    int code = 226;
    QByteArray body;
};

// Answers each command from a script after a turn of the event loop, signalling a
// receiving state first and the final state last, as the real control does.
class ScriptedControl final : public TransferControl {
public:
    QStringList sent;
    QHash<QString, Reply> replies; // by command text; missing: success, empty answer
    bool hang = false;             // never ends a request
    int keepAliveMs = 0;           // signals "receiving" this often before ending...
    int keepAliveCount = 0;        // ...this many times
    int timeout = 0;
    QString host;
    int port = 0;

    void setProtocol(int) override {}
    void setRemotePort(int p) override { port = p; }
    void setUrl(const QString& u) override { host = u; }
    QString url() const override { return host; }
    void setUserName(const QString&) override {}
    void setPassword(const QString&) override {}
    void setRequestTimeout(int s) override { timeout = s; }

    bool execute(const QString& op, const QString& = {}) override
    {
        if (executing) {
            error = QStringLiteral("busy");
            return false;
        }
        sent << op;
        executing = true;
        pending = replies.value(op);
        response.clear();
        QTimer::singleShot(0, this, [this] { emit stateChanged(7); });
        if (hang)
            return true;
        if (keepAliveCount > 0) {
            auto* ticks = new int(keepAliveCount);
            auto* timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, [this, timer, ticks] {
                if (--*ticks > 0) {
                    emit stateChanged(7);
                    return;
                }
                delete ticks;
                timer->deleteLater();
                end();
            });
            timer->start(keepAliveMs);
        } else {
            QTimer::singleShot(1, this, [this] { end(); });
        }
        return true;
    }
    bool stillExecuting() const override { return executing; }
    QByteArray getChunk(int maxBytes) override
    {
        const QByteArray c = response.left(maxBytes);
        response.remove(0, c.size());
        return c;
    }
    QString getHeader(const QString& = {}) const override { return {}; }
    int responseCode() const override { return code; }
    bool succeeded() const override { return ok; }
    QString lastError() const override { return error; }

    void setExecuting(bool e) { executing = e; }

private:
    void end()
    {
        executing = false;
        ok = pending.ok;
        code = pending.code;
        response = pending.ok ? pending.body : QByteArray();
        emit stateChanged(ok ? 12 : 11);
    }

    bool executing = false;
    bool ok = false;
    int code = 0;
    QString error;
    Reply pending;
    QByteArray response;
};

FtpSessionSettings settings(int timeoutS = 1)
{
    FtpSessionSettings s;
    s.server.scheme = QStringLiteral("ftp");
    s.server.host = QStringLiteral("127.0.0.1");
    s.user = QStringLiteral("u");
    s.password = QStringLiteral("p");
    s.requestTimeoutS = timeoutS;
    return s;
}

}

TEST(FtpSession, StartListsTheLoginDirectoryWithoutChangingIt)
{
    ScriptedControl inet;
    inet.replies["LS"] = {true, 226, "a.avi\r\ndocs/\r\nb.avi\r\nimg/\r\n"};
    inet.replies["PWD"] = {true, 257, "/home/zepril"};
    FtpSession session(inet);
    session.StartConnexionFTP(settings(4));

    EXPECT_EQ(inet.sent, (QStringList{"LS", "PWD"})); // no CD for an omitted directory
    EXPECT_EQ(session.list1(), (QStringList{"docs/", "img/", "a.avi", "b.avi"}));
    EXPECT_EQ(session.text2(), "/home/zepril");
    EXPECT_EQ(inet.port, 21);
    EXPECT_EQ(inet.timeout, 4);
    EXPECT_EQ(inet.host, "127.0.0.1");

    inet.sent.clear();
    session.GetDir(QString());
    EXPECT_EQ(inet.sent, (QStringList{"LS", "PWD"}));
}

TEST(FtpSession, ConfiguredPortAndTlsReachTheControl)
{
    ScriptedControl inet;
    FtpSession session(inet);
    FtpSessionSettings s = settings();
    s.server.scheme = QStringLiteral("ftps");
    s.server.port = 2121;
    session.StartConnexionFTP(s);
    EXPECT_EQ(inet.port, 2121);
    EXPECT_EQ(inet.host, "ftps://127.0.0.1");
}

TEST(FtpSession, EmptyOrFailedListingsShowTheMarker)
{
    {
        ScriptedControl inet;
        inet.replies["PWD"] = {true, 257, "/empty"};
        FtpSession session(inet);
        session.GetDir(QStringLiteral("empty/"));
        EXPECT_EQ(inet.sent, (QStringList{"CD empty/", "LS", "PWD"}));
        EXPECT_EQ(session.list1(), QStringList{kMarker});
        EXPECT_EQ(session.text2(), "/empty");
    }
    {
        // Login refused: no entry, no working directory, and no further request that
        // would wait for the same server again.
        ScriptedControl inet;
        inet.replies["LS"] = {false, 530, {}};
        FtpSession session(inet);
        session.StartConnexionFTP(settings());
        EXPECT_EQ(inet.sent, QStringList{"LS"});
        EXPECT_EQ(session.list1(), QStringList{kMarker});
        EXPECT_EQ(session.text2(), QString());
    }
    {
        // The server is there but will not list this directory: it still says where
        // we are.
        ScriptedControl inet;
        inet.replies["LS"] = {false, 550, {}};
        inet.replies["PWD"] = {true, 257, "/locked"};
        FtpSession session(inet);
        session.GetDir();
        EXPECT_EQ(inet.sent, (QStringList{"LS", "PWD"}));
        EXPECT_EQ(session.list1(), QStringList{kMarker});
        EXPECT_EQ(session.text2(), "/locked");
    }
    {
        // A directory the server refuses leaves us where we were, listed again.
        ScriptedControl inet;
        inet.replies["CD gone/"] = {false, 550, {}};
        inet.replies["LS"] = {true, 226, "a.avi\r\n"};
        inet.replies["PWD"] = {true, 257, "/"};
        FtpSession session(inet);
        session.GetDir(QStringLiteral("gone/"));
        EXPECT_EQ(inet.sent, (QStringList{"CD gone/", "LS", "PWD"}));
        EXPECT_EQ(session.list1(), QStringList{"a.avi"});
    }
    {
        // A dead server on a change of directory costs one timeout, not three.
        ScriptedControl inet;
        inet.replies["CD docs/"] = {false, 0, {}};
        FtpSession session(inet);
        session.GetDir(QStringLiteral("docs/"));
        EXPECT_EQ(inet.sent, QStringList{"CD docs/"});
        EXPECT_EQ(session.list1(), QStringList{kMarker});
    }
}

TEST(FtpSession, DoubleClickListsDirectoriesAndFetchesFilesIntoTheLocalDirectory)
{
    ScriptedControl inet;
    inet.replies["LS"] = {true, 226, "x.avi\r\n"};
    inet.replies["PWD"] = {true, 257, "/docs"};
    FtpSession session(inet);
    QStringList seenText2;
    QObject::connect(&session, &FtpSession::text2Changed, [&](const QString& t) { seenText2 << t; });

    session.activateEntry(QStringLiteral("docs/"));
    EXPECT_EQ(inet.sent, (QStringList{"CD docs/", "LS", "PWD"}));
    EXPECT_EQ(seenText2, QStringList{"/docs"});

    inet.sent.clear();
    session.activateEntry(kMarker);
    EXPECT_TRUE(inet.sent.isEmpty());

    const QString sep = QDir::separator();
    session.setText1(QStringLiteral("/srv/in") + sep);
    session.activateEntry(QStringLiteral("my clip.avi"));
    session.setText1(QStringLiteral("/srv/in")); // a missing separator is supplied
    session.activateEntry(QStringLiteral("b.avi"));
    session.setText1(QString()); // nothing chosen: the current directory
    session.activateEntry(QStringLiteral("c.avi"));
    EXPECT_EQ(inet.sent, (QStringList{"GET my clip.avi /srv/in" + sep + "my clip.avi", "GET b.avi /srv/in" + sep + "b.avi",
                                      "GET c.avi c.avi"}));
}

TEST(FtpSession, EntriesThatNamePathsAreNeverSent)
{
    ScriptedControl inet;
    FtpSession session(inet);
    session.setText1(QStringLiteral("/srv/in/"));
    for (const char* entry : {"../x", "..", "../", "/etc/passwd", "a/b", "./", "."})
        session.activateEntry(QString::fromLatin1(entry));
    EXPECT_TRUE(inet.sent.isEmpty()) << inet.sent.join(u'|').toStdString();
}

TEST(FtpSession, StatusBarFollowsTheStates)
{
    ScriptedControl inet;
    FtpSession session(inet);
    inet.setExecuting(true);
    inet.stateChanged(7);
    EXPECT_EQ(session.statusText(), "Receiving a response from the host computer. Please wait...");
    inet.stateChanged(0);
    EXPECT_EQ(session.statusText(), ". Please wait...");
    inet.stateChanged(3);
    inet.stateChanged(42); // unknown: the text stays, without a second suffix
    EXPECT_EQ(session.statusText(), "Connecting to the host computer. Please wait...");

    inet.setExecuting(false);
    inet.stateChanged(12);
    EXPECT_EQ(session.statusText(), "Request completed, all data received");
    inet.stateChanged(-1);
    EXPECT_EQ(session.statusText(), "Request completed, all data received");
    inet.stateChanged(11);
    EXPECT_EQ(session.statusText(), "Error occurred in communicating with the host computer");
    inet.stateChanged(0);
    EXPECT_EQ(session.statusText(), QString());

    EXPECT_EQ(FtpSession::stateText(1), "Looking up IP address of the host computer");
    EXPECT_EQ(FtpSession::stateText(10), "Successfully disconnected from the host computer");
    EXPECT_EQ(FtpSession::stateText(13), QString());
}

TEST(FtpSession, WaitOutlastsALiveTransferButNotADeadControl)
{
    {
        // Signs of life every 250 ms for well over the 1.5 s limit: the wait lasts.
        ScriptedControl inet;
        inet.keepAliveMs = 250;
        inet.keepAliveCount = 7;
        inet.replies["LS"] = {true, 226, "slow.avi\r\n"};
        FtpSession session(inet);
        session.StartConnexionFTP(settings(1));
        EXPECT_EQ(session.list1(), QStringList{"slow.avi"});
    }
    {
        // A control that never ends: the start-up still goes on, with the marker.
        ScriptedControl inet;
        inet.hang = true;
        FtpSession session(inet);
        QElapsedTimer t;
        t.start();
        session.StartConnexionFTP(settings(1));
        EXPECT_EQ(session.list1(), QStringList{kMarker});
        EXPECT_EQ(inet.sent, QStringList{"LS"});
        EXPECT_LT(t.elapsed(), 10000); // bounded; a hang would never return at all
    }
}
