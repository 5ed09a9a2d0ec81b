#pragma once
// Shared by the network tests: short bounds, a server that never answers, and the remote
// tree the FTP tests browse on a real server, whose login directory lists a.avi, docs/,
// b.avi, img/ in that order.
#include "net/ftp_listing.h"
#include "net/http_fetch.h"
#include "support/ftp_test_server.h"
#include "support/http_test_server.h"
#include "support/temp_tree.h"
#include "support/video_bytes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTimer>
#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/time.h>

namespace zepril::test {

inline const QString kFtpUser = QStringLiteral("tester");
inline const QString kFtpPassword = QStringLiteral("Pw-7731xq");
inline const QString kMarker = QString(kEmptyFolderMarker); // an empty or unreachable folder
inline const QByteArray kPrevious = "an old and much longer content\r\nsecond line\r\n";
// Short bounds so that a fault never makes the suite wait long.
inline const HttpOptions kQuick{.connectTimeoutMs = 1000, .idleTimeoutMs = 300};

// Accepts connections and never answers.
struct SilentServer : QTcpServer {
    SilentServer() { listen(QHostAddress::LocalHost); }
    int port() const { return int(serverPort()); }
};

// How many of the commands the server received start with verb.
inline int countVerb(const QStringList& commands, const QString& verb)
{
    return int(std::count_if(commands.begin(), commands.end(), [&](const QString& c) { return c.section(u' ', 0, 0) == verb; }));
}

// The remote tree, served by a real FTP server for the length of a test; each directory
// is listed oldest first.
class FtpServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        remote.write(QStringLiteral("a.avi"), patterned(300000)); // crosses many network reads
        remote.write(QStringLiteral("docs/readme.txt"), "read me\r\n");
        remote.write(QStringLiteral("docs/my clip.avi"), "clip");
        remote.mkdir(QStringLiteral("docs/empty"));
        remote.write(QStringLiteral("b.avi"), "bee");
        remote.write(QStringLiteral("img/logo.jpg"), "jpg");
        int age = 100;
        for (const char* name :
             {"a.avi", "docs", "b.avi", "img", "docs/empty", "docs/readme.txt", "docs/my clip.avi"}) {
            const timeval times[2]{{time(nullptr) - age, 0}, {time(nullptr) - age, 0}};
            utimes(QFile::encodeName(remote.path(QString::fromLatin1(name))).constData(), times);
            --age;
        }
        ASSERT_TRUE(server.start(remote.root(), kFtpUser, kFtpPassword)) << server.errorText().toStdString();
    }

    TempTree remote;
    TempTree local;
    FtpTestServer server;
};

}

using namespace zepril;
using namespace zepril::test;
