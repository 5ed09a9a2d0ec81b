#pragma once
// One question to a running player: a local socket in the program tree, owned by the
// player's user with mode 0600, that answers "status", "metrics" and "screenshot"
// to a process of that same user and to nobody else (the peer's uid is checked too,
// so root cannot read the screen through a player it does not run as).
//
// A request is one line; the answer is "ok\n" and the body, or "error <text>\n", and
// the player closes the connection after it.
#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace zepril {

inline constexpr char kControlSocketName[] = "control.sock";

class ControlServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ControlServer)
public:
    // Answers the body, or an error text in `error` and nothing.
    using Handler = std::function<std::optional<QByteArray>(QString& error)>;

    explicit ControlServer(QString socketPath, QObject* parent = nullptr);
    ~ControlServer() override;

    void setHandler(const QString& request, Handler handler);
    // Replaces a socket a crashed player left (the caller holds the program's lock).
    bool listen();
    QString socketPath() const { return m_path; }

private:
    void accept();
    void answer(QLocalSocket* socket);

    QString m_path;
    QLocalServer* m_server;
    QHash<QString, Handler> m_handlers;
};

struct ControlAnswer {
    enum Kind { NoPlayer, NotAnswered, Answered, Failed } kind = NoPlayer;
    QByteArray body; // Answered
    QString error;   // Failed: what the player said; NotAnswered: what went wrong
};

// Asks the player listening on socketPath; blocks up to timeoutMs.
ControlAnswer askPlayer(const QString& socketPath, const QString& request, int timeoutMs = 10000);

}
