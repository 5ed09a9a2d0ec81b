#pragma once
// A notification socket in a temporary folder, standing in for the service manager's:
// a real AF_UNIX datagram socket that keeps every message sent to it.
#include <QByteArray>
#include <QList>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zepril::test {

class NotifySocket final {
public:
    NotifySocket() : path((dir.path() + QStringLiteral("/notify")).toUtf8())
    {
        sockaddr_un address {AF_UNIX, {}};
        qstrncpy(address.sun_path, path.constData(), sizeof(address.sun_path));
        fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~NotifySocket() { ::close(fd); }
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;

    // Every datagram waiting now, without blocking.
    QList<QByteArray> drain() const
    {
        QList<QByteArray> got;
        char buffer[2048];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
            got << QByteArray(buffer, int(n));
        return got;
    }

    QTemporaryDir dir;
    QByteArray path;
    int fd = -1;
    bool bound = false;
};

}
