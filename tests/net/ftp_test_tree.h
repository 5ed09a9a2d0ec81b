#pragma once
// The remote tree the FTP tests browse, on a real server: the login directory lists
// a.avi, docs/, b.avi, img/ in that order.
#include "support/ftp_test_server.h"
#include "support/temp_tree.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>

#include <sys/time.h>
#include <ctime>

namespace zepril::test {

inline const QString kFtpUser = QStringLiteral("tester");
inline const QString kFtpPassword = QStringLiteral("Pw-7731xq");

// How many of the commands the server received start with verb.
inline int countVerb(const QStringList& commands, const QString& verb)
{
    return int(std::count_if(commands.begin(), commands.end(), [&](const QString& c) { return c.section(u' ', 0, 0) == verb; }));
}

inline QByteArray videoBytes()
{
    QByteArray b;
    for (int i = 0; i < 300000; ++i) // crosses many network reads, holds every byte value
        b += static_cast<char>((i * 7 + i / 251) & 0xff);
    return b;
}

inline void setAge(const QString& path, int secondsAgo)
{
    const timeval times[2]{{time(nullptr) - secondsAgo, 0}, {time(nullptr) - secondsAgo, 0}};
    utimes(QFile::encodeName(path).constData(), times);
}

// Builds the tree under remote.root(); the server lists each directory oldest first.
inline void buildRemoteTree(TempTree& remote)
{
    remote.write(QStringLiteral("a.avi"), videoBytes());
    remote.write(QStringLiteral("docs/readme.txt"), "read me\r\n");
    remote.write(QStringLiteral("docs/my clip.avi"), "clip");
    remote.mkdir(QStringLiteral("docs/empty"));
    remote.write(QStringLiteral("b.avi"), "bee");
    remote.write(QStringLiteral("img/logo.jpg"), "jpg");
    int age = 100;
    for (const char* name : {"a.avi", "docs", "b.avi", "img", "docs/empty", "docs/readme.txt", "docs/my clip.avi"})
        setAge(remote.path(QString::fromLatin1(name)), age--);
}

// The tree above, served by a real FTP server for the length of a test.
class FtpServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        buildRemoteTree(remote);
        ASSERT_TRUE(server.start(remote.root(), kFtpUser, kFtpPassword)) << server.errorText().toStdString();
    }

    TempTree remote;
    TempTree local;
    FtpTestServer server;
};

}
