#pragma once
// A notification socket in a temporary folder, standing in for the service manager's:
// a real AF_UNIX datagram socket that keeps every message sent to it.
#include <QList>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zepril::test {

struct NotifySocket {
    NotifySocket()
    {
        sockaddr_un address {AF_UNIX, {}};
        qstrncpy(address.sun_path, path.constData(), sizeof(address.sun_path));
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
            qFatal("cannot bind the notification socket %s", path.constData());
    }
    ~NotifySocket() { ::close(fd); }

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
    QByteArray path = (dir.path() + QStringLiteral("/notify")).toUtf8();
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
};

}
