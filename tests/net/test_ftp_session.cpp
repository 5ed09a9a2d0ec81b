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

#include <algorithm>
#include <tuple>

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
    bool executing = false;

    void setProtocol(int) override {}
    void setRemotePort(int p) override { port = p; }
    void setUrl(const QString& u) override { host = u; }
    QString url() const override { return host; }
    void setUserName(const QString&) override {}
    void setPassword(const QString&) override {}
    void setRequestTimeout(int s) override { timeout = s; }

    bool execute(const QString& op, const QString& = {}) override
    {
        if (executing)
            return false;
        sent << op;
        executing = true;
        pending = replies.value(op);
        response.clear();
        QTimer::singleShot(0, this, [this] { emit stateChanged(7); });
        if (hang)
            return true;
        for (int i = 1; i < keepAliveCount; ++i)
            QTimer::singleShot(i * keepAliveMs, this, [this] { emit stateChanged(7); });
        QTimer::singleShot(std::max(1, keepAliveCount * keepAliveMs), this, [this] {
            executing = false;
            response = pending.ok ? pending.body : QByteArray();
            emit stateChanged(pending.ok ? 12 : 11);
        });
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
    int responseCode() const override { return executing ? 0 : pending.code; }
    bool succeeded() const override { return !executing && pending.ok; }
    QString lastError() const override { return executing ? QStringLiteral("busy") : QString(); }

private:
    Reply pending{false, 0, {}};
    QByteArray response;
};

FtpSessionSettings settings(int timeoutS = 1)
{
    return {{"ftp", "127.0.0.1", -1}, "u", "p", timeoutS};
}
}

// A configured port and the plain scheme are covered against the real server.
TEST(FtpSession, StartHandsTheServerToTheControlAndListsWithoutChangingDirectory)
{
    ScriptedControl inet;
    FtpSession session(inet);
    FtpSessionSettings s = settings(4);
    s.server.scheme = QStringLiteral("ftps");
    session.StartConnexionFTP(s);

    EXPECT_EQ(inet.sent, (QStringList{"LS", "PWD"})); // no CD for an omitted directory
    EXPECT_EQ(inet.port, 21);
    EXPECT_EQ(inet.host, "ftps://127.0.0.1");
    EXPECT_EQ(inet.timeout, 4);
}

TEST(FtpSession, EmptyOrFailedListingsShowTheMarker)
{
    struct Row {
        const char* what;
        QHash<QString, Reply> replies;
        QString dir;
        bool start;
        QStringList sent;
        QStringList list1;
        QString text2;
    };
    const Row rows[] = {
        // no further request would wait for the same server again
        {"login refused", {{"LS", {false, 530, {}}}}, {}, true, {"LS"}, {kMarker}, {}},
        {"listing refused", {{"LS", {false, 550, {}}}, {"PWD", {true, 257, "/locked"}}}, {}, false, {"LS", "PWD"}, {kMarker}, "/locked"},
        {"directory refused: listed where we were",
         {{"CD gone/", {false, 550, {}}}, {"LS", {true, 226, "a.avi\r\n"}}, {"PWD", {true, 257, "/"}}},
         "gone/", false, {"CD gone/", "LS", "PWD"}, {"a.avi"}, "/"},
        // one timeout for a dead server, not three
        {"server dead on a change of directory", {{"CD docs/", {false, 0, {}}}}, "docs/", false, {"CD docs/"}, {kMarker}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptedControl inet;
        inet.replies = row.replies;
        FtpSession session(inet);
        if (row.start)
            session.StartConnexionFTP(settings());
        else
            session.GetDir(row.dir);
        EXPECT_EQ(inet.sent, row.sent);
        EXPECT_EQ(session.list1(), row.list1);
        EXPECT_EQ(session.text2(), row.text2);
    }
}

TEST(FtpSession, DoubleClickFetchesIntoTheLocalDirectoryAndNeverSendsAPath)
{
    ScriptedControl inet;
    FtpSession session(inet);
    session.setText1(QStringLiteral("/srv/in/"));
    for (const char* entry : {"../x", "..", "../", "/etc/passwd", "a/b", "./", "."})
        session.activateEntry(QString::fromLatin1(entry));
    session.activateEntry(kMarker);
    EXPECT_TRUE(inet.sent.isEmpty()) << inet.sent.join(u'|').toStdString();

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

TEST(FtpSession, StatusBarFollowsTheStates)
{
    const std::tuple<bool, int, QString> steps[] = {
        {true, 7, "Receiving a response from the host computer. Please wait..."},
        {true, 0, ". Please wait..."},
        {true, 3, "Connecting to the host computer. Please wait..."},
        {true, 42, "Connecting to the host computer. Please wait..."}, // unknown: kept, no second suffix
        {false, 12, "Request completed, all data received"},
        {false, -1, "Request completed, all data received"},
        {false, 11, "Error occurred in communicating with the host computer"},
        {false, 0, ""},
    };
    ScriptedControl inet;
    FtpSession session(inet);
    for (const auto& [executing, state, expected] : steps) {
        inet.executing = executing;
        emit inet.stateChanged(state);
        EXPECT_EQ(session.statusText(), expected) << "state " << state;
    }
}

TEST(FtpSession, WaitOutlastsALiveTransferButNotADeadControl)
{
    {
        // Signs of life every 250 ms for well over the 1.5 s limit: the wait lasts.
        ScriptedControl inet;
        inet.keepAliveMs = 250;
        inet.keepAliveCount = 8;
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
