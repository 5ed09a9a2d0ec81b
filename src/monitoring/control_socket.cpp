#include "monitoring/control_socket.h"

#include "monitoring/monitoring_log.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

namespace zepril {

namespace {

constexpr qint64 kLongestRequest = 256;
constexpr int kRequestWaitMs = 5000;

std::optional<uid_t> peerUid(qintptr descriptor)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return std::nullopt;
    return credentials.uid;
}

}

ControlServer::ControlServer(QString socketPath, QObject* parent)
    : QObject(parent), m_path(std::move(socketPath)), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &ControlServer::accept);
}

ControlServer::~ControlServer()
{
    m_server->close(); // removes the socket file
}

void ControlServer::setHandler(const QString& request, Handler handler)
{
    m_handlers.insert(request, std::move(handler));
}

bool ControlServer::listen()
{
    QLocalServer::removeServer(m_path);
    if (!m_server->listen(m_path)) {
        qCWarning(lcMonitoring).noquote() << "no local socket at" << m_path << "-" << m_server->errorString()
                                          << "(--status, --metrics and --screenshot read the files instead)";
        return false;
    }
    // Only the owner may connect; the access option already asks for it, this makes it exact.
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    qCInfo(lcMonitoring).noquote() << "answering --status, --metrics and --screenshot on" << m_path;
    return true;
}

void ControlServer::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const std::optional<uid_t> uid = peerUid(socket->socketDescriptor());
        if (!uid || *uid != geteuid()) {
            qCWarning(lcMonitoring).noquote()
                << "local socket: refused a process of uid" << (uid ? QString::number(*uid) : QStringLiteral("unknown"))
                << "(only the player's own user is answered)";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // A client that never finishes its line must not hold a socket for ever.
        auto* timeout = new QTimer(socket);
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, socket, &QLocalSocket::abort);
        timeout->start(kRequestWaitMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
        if (socket->canReadLine())
            answer(socket);
    }
}

void ControlServer::answer(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kLongestRequest)
            socket->abort();
        return;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    const QString request = QString::fromUtf8(socket->readLine(kLongestRequest)).trimmed();
    QByteArray reply;
    const auto handler = m_handlers.constFind(request);
    if (handler == m_handlers.constEnd()) {
        reply = "error unknown request \"" + request.left(40).toUtf8() + "\"\n";
    } else {
        QString error;
        if (const std::optional<QByteArray> body = (*handler)(error))
            reply = "ok\n" + *body;
        else
            reply = "error " + error.toUtf8() + '\n';
    }
    socket->write(reply);
    socket->disconnectFromServer(); // after what is written has gone
}

ControlAnswer askPlayer(const QString& socketPath, const QString& request, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return {ControlAnswer::NoPlayer, {}, socket.errorString()};
    socket.write(request.toUtf8() + '\n');
    QByteArray received;
    while (socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired()) {
        socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        received += socket.readAll();
    }
    received += socket.readAll();
    if (received.startsWith("ok\n"))
        return {ControlAnswer::Answered, received.mid(3), {}};
    if (received.startsWith("error "))
        return {ControlAnswer::Failed, {}, QString::fromUtf8(received.mid(6)).trimmed()};
    return {ControlAnswer::NotAnswered,
            {},
            deadline.hasExpired() ? QStringLiteral("no answer in time")
                                  : QStringLiteral("the player closed the connection")};
}

}
