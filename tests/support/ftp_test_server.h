#pragma once
// A real FTP server on 127.0.0.1 for tests: tools/ftp_server.py run by the system's
// python (the one with pyftpdlib) as a child process, stopped with this object.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace zepril::test {

class FtpTestServer {
public:
    ~FtpTestServer() { stop(); }

    // Serves root read-only to one account; false (with errorText()) when the server
    // did not come up.
    bool start(const QString& root, const QString& user = QStringLiteral("tester"),
               const QString& password = QStringLiteral("s3cret!"), const QStringList& options = {});
    void stop();
    int port() const { return m_port; }
    QString errorText() const { return m_error; }
    // The commands the server has received so far ("USER tester", "CWD /docs", ...),
    // the password masked.
    QStringList commands();

private:
    QProcess m_process;
    int m_port = 0;
    QString m_error;
    QByteArray m_pending;
    QStringList m_commands;
};

}
