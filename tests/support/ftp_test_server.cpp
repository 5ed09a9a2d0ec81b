#include "support/ftp_test_server.h"

#include <QDeadlineTimer>

namespace zepril::test {

bool FtpTestServer::start(const QString& root, const QString& user, const QString& password, const QStringList& options)
{
    stop();
    // The first python3 on PATH may lack pyftpdlib; the system one has it.
    const QString tools = qEnvironmentVariable("ZEPRIL_TEST_TOOLS", QStringLiteral(ZEPRIL_SOURCE_DIR "/tools"));
    const QStringList args = QStringList{tools + "/ftp_server.py", root, "0", user, password} + options;
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return false;
    }
    for (const QDeadlineTimer deadline(15000); !deadline.hasExpired() && m_process.state() == QProcess::Running;) {
        if (!m_process.canReadLine())
            m_process.waitForReadyRead(100);
        else if (const QByteArray line = m_process.readLine().trimmed(); line.startsWith("PORT "))
            return (m_port = line.mid(5).toInt()) > 0;
    }
    m_error = QStringLiteral("the FTP server did not report its port");
    stop();
    return false;
}

void FtpTestServer::stop()
{
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    m_port = 0;
}

QStringList FtpTestServer::commands()
{
    // The server prints each command before it answers, so once the client has its
    // reply the line is already in the pipe.
    while (m_process.waitForReadyRead(50)) { }
    m_pending += m_process.readAllStandardOutput();
    qsizetype nl;
    while ((nl = m_pending.indexOf('\n')) >= 0) {
        const QByteArray line = m_pending.left(nl).trimmed();
        m_pending.remove(0, nl + 1);
        if (line.startsWith("CMD "))
            m_commands << QString::fromUtf8(line.mid(4)).trimmed();
    }
    return m_commands;
}

}
