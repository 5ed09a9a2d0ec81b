#pragma once
// The FTP engine of the main screen: one FTP (or FTP over explicit TLS)
// connection to one server, kept between commands, driven by typed commands. Each
// command runs on a worker thread; execute() returns at once and the states and the end
// arrive on the owner's thread.
#include "net/ftp_connection.h"
#include "net/transfer.h"

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

    // Starts the command and returns at once. False, with result().error set and nothing
    // sent, while a command runs, without a server, for a CD without a directory, and
    // for a GET whose names climb with "..", hold a line break, or whose receiving
    // directory does not exist.
    bool execute(const FtpCommand& command);
    bool busy() const { return m_busy; }

    // The last command's outcome; its answer only once it has ended. The working
    // directory stays as the server last reported it ("" before the first command
    // reached the server).
    FtpResult result() const;

signals:
    void stateReached(zepril::TransferState state);

private:
    void finish(const FtpResult& result);
    bool refuse(const QString& what, const QString& reason);

    FtpSettings m_settings;
    bool m_busy = false;
    FtpResult m_result;

    QThread m_thread;
    QObject* m_workerContext = nullptr;    // lives in m_thread; runs the commands
    FtpConnection* m_connection = nullptr; // used on m_thread only
};

}
