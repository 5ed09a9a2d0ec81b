#pragma once
// The transfer control of the FTP session: one FTP (or FTP over explicit TLS)
// connection to one server, kept between commands, driven by the command texts
// "CD dir", "LS", "PWD" and "GET remote local". Each command runs on a worker thread;
// execute() returns at once and the states and the end arrive on the owner's thread.
#include "net/transfer_control.h"

#include <QByteArray>
#include <QString>
#include <QThread>

namespace zepril {

class FtpConnection;
struct FtpResult;

class FtpTransfer final : public TransferControl {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FtpTransfer)
public:
    explicit FtpTransfer(QObject* parent = nullptr);
    ~FtpTransfer() override;

    // Only FTP is spoken; any other protocol makes the next command fail.
    void setProtocol(int protocol) override;
    void setRemotePort(int port) override;
    // A host name, or "ftp://host" / "ftps://host"; "ftps" asks for explicit TLS
    // (AUTH TLS on the usual port) for the commands and the data.
    void setUrl(const QString& url) override;
    QString url() const override { return m_url; }
    void setUserName(const QString& user) override;
    void setPassword(const QString& password) override;
    // Seconds allowed for connecting, for each server reply and for a stalled transfer.
    void setRequestTimeout(int seconds) override;

    bool execute(const QString& operation, const QString& requestHeaders = {}) override;
    bool stillExecuting() const override { return m_executing; }
    QByteArray getChunk(int maxBytes) override;
    // FTP has no headers: always "".
    QString getHeader(const QString& name = {}) const override;
    // The server's last reply code (221, 257, 530, ...), 0 when it never answered.
    int responseCode() const override { return m_replyCode; }
    bool succeeded() const override { return m_succeeded; }
    QString lastError() const override { return m_lastError; }

    // The remote working directory as the server last reported it; "" before the first
    // command has reached the server.
    QString workingDirectory() const { return m_workingDirectory; }

private:
    void finish(const FtpResult& result);
    void refuse(const QString& operation, const QString& reason);

    QString m_url;
    QString m_host;
    bool m_tls = false;
    int m_protocol = ProtocolFtp;
    int m_port = 21;
    QString m_user;
    QString m_password;
    int m_timeoutS = 4;

    bool m_executing = false;
    bool m_succeeded = false;
    int m_replyCode = 0;
    QString m_lastError;
    QByteArray m_response;
    qsizetype m_readPos = 0;
    QString m_workingDirectory;

    QThread m_thread;
    QObject* m_workerContext = nullptr; // lives in m_thread; runs the commands
    FtpConnection* m_connection = nullptr; // used on m_thread only
};

// Splits the text after "GET " into the remote name and the local path. The local path
// is the receiving directory followed by the remote name, so among the blanks the one
// after which the text ends with separator + remote name (or is the remote name alone)
// is the split; names with blanks survive. Without such a blank, the first one.
bool splitGetArguments(const QString& arguments, QString* remote, QString* local);

}
