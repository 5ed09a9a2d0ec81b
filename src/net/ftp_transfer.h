#pragma once
// The FTP engine of the main screen: one FTP (or FTP over explicit TLS)
// connection to one server, kept between commands, driven by typed commands. Each
// command runs on a worker thread; execute() returns at once and the states (the
// transfer control's numbers, 0 to 12) and the end arrive on the owner's thread.
#include "net/ftp_connection.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>

namespace zepril {

class FtpTransfer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FtpTransfer)
public:
    explicit FtpTransfer(QObject* parent = nullptr);
    ~FtpTransfer() override;

    // The server and account of the commands that follow; settings.timeoutS bounds
    // connecting, each server reply and a stalled transfer.
    void configure(const FtpSettings& settings) { m_settings = settings; }
    const FtpSettings& settings() const { return m_settings; }

    // Starts the command and returns at once. False, with lastError() set and nothing
    // sent, while a command runs, without a server, for a CD without a directory, and
    // for a GET whose names climb with "..", hold a line break, or whose receiving
    // directory does not exist.
    bool execute(const FtpCommand& command);
    bool stillExecuting() const { return m_executing; }

    // The answer of the last command once it has ended: for LS one entry per line
    // (directories with a trailing "/"), for PWD the directory; empty otherwise.
    QByteArray response() const { return m_executing ? QByteArray() : m_response; }
    // The server's last reply code (221, 257, 530, ...), 0 when it never answered.
    int responseCode() const { return m_replyCode; }
    bool succeeded() const { return m_succeeded; }
    QString lastError() const { return m_lastError; }
    // The remote working directory as the server last reported it; "" before the first
    // command has reached the server.
    QString workingDirectory() const { return m_workingDirectory; }

signals:
    void stateChanged(int state);

private:
    void finish(const FtpResult& result);
    bool refuse(const QString& what, const QString& reason);

    FtpSettings m_settings;
    bool m_executing = false;
    bool m_succeeded = false;
    int m_replyCode = 0;
    QString m_lastError;
    QByteArray m_response;
    QString m_workingDirectory;

    QThread m_thread;
    QObject* m_workerContext = nullptr; // lives in m_thread; runs the commands
    FtpConnection* m_connection = nullptr; // used on m_thread only
};

}
