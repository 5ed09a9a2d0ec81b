#pragma once
// The main screen's FTP session with the content server: set up once at start-up, it
// drives the FTP engine with typed commands, lists remote directories for the
// operator's browser, fetches the file the operator picks into the local receiving
// directory, and turns the engine's states into the status bar's text. It holds the
// values the panel shows, not the widgets.
#include "core/server_config.h"
#include "net/transfer.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace zepril {

class FtpTransfer;
struct FtpCommand;
struct Timings;

struct FtpSessionSettings {
    ServerAddress server; // scheme "ftp" or "ftps", host, port (-1: 21)
    QString user;
    QString password; // never logged
    int requestTimeoutS = 4;
};

FtpSessionSettings ftpSessionSettings(const ServerConfig& servers, const Timings& timings);

class FtpSession final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FtpSession)
public:
    explicit FtpSession(FtpTransfer& engine, QObject* parent = nullptr);

    // Configures the engine and lists the login directory. Returns within about the
    // request timeout when the server is down or refuses the login.
    void connectToServer(const FtpSessionSettings& settings);
    // Optionally changes the remote directory, then lists it into listedEntries() and puts the
    // working directory into remoteDirectory().
    void listDirectory(const QString& dir = {});
    // The answer of the engine's last command, as text.
    QString lastAnswer();
    // Returns once the engine has finished its command, letting the event loop run
    // meanwhile; gives up when the engine has shown no sign of life for the request
    // timeout (plus a short grace), so an engine that never ends cannot hold the caller.
    void waitForIdle();
    void showState(zepril::TransferState state);
    // The operator's double-click on an entry of listedEntries().
    void activateEntry(const QString& entry);

    static QString stateText(TransferState state);

    QStringList listedEntries() const { return m_listedEntries; }
    // The local directory that receives fetched files; "" means the current directory.
    QString localDirectory() const { return m_localDirectory; }
    void setLocalDirectory(const QString& directory);
    QString remoteDirectory() const { return m_remoteDirectory; }
    QString statusText() const { return m_status; }

signals:
    void listedEntriesChanged(const QStringList& entries);
    void localDirectoryChanged(const QString& directory);
    void remoteDirectoryChanged(const QString& directory);
    void statusTextChanged(const QString& text);

private:
    bool send(const FtpCommand& command);
    bool serverUnavailable() const;
    void setListedEntries(const QStringList& entries);
    void setRemoteDirectory(const QString& directory);
    void setStatus(const QString& text);

    FtpTransfer& m_engine;
    int m_timeoutS = 4;
    bool m_gaveUp = false;
    QStringList m_listedEntries;
    QString m_localDirectory;
    QString m_remoteDirectory;
    QString m_status;
};

}
