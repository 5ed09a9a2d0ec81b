#include "support/ftp_test_server.h"

#include <QDeadlineTimer>
#include <QDir>

namespace zepril::test {

FtpTestServer::~FtpTestServer() { stop(); }

QString FtpTestServer::toolsDir()
{
    const QString fromEnv = qEnvironmentVariable("ZEPRIL_TEST_TOOLS");
    if (!fromEnv.isEmpty())
        return fromEnv;
#ifdef ZEPRIL_SOURCE_DIR
    return QStringLiteral(ZEPRIL_SOURCE_DIR "/tools");
#else
    return QDir::currentPath() + QStringLiteral("/tools");
#endif
}

bool FtpTestServer::start(const QString& root, const QString& user, const QString& password,
                          const QStringList& options)
{
    stop();
    // The first python3 on PATH may lack pyftpdlib; the system one has it.
    QStringList args{toolsDir() + QStringLiteral("/ftp_server.py"), root, QStringLiteral("0"), user, password};
    args += options;
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (m_process.canReadLine()) {
            const QByteArray line = m_process.readLine().trimmed();
            if (line.startsWith("PORT ")) {
                m_port = line.mid(5).toInt();
                return m_port > 0;
            }
            continue;
        }
        if (m_process.state() != QProcess::Running)
            break;
        m_process.waitForReadyRead(100);
    }
    m_error = QStringLiteral("the FTP server did not report its port");
    stop();
    return false;
}

void FtpTestServer::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
    m_port = 0;
}

QStringList FtpTestServer::commands()
{
    // The server prints each command before it answers, so once the client has its
    // reply the line is already in the pipe.
    while (m_process.waitForReadyRead(50)) {
    }
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
