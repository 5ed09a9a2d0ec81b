#include "net/ftp_transfer.h"

#include "core/logging.h"
#include "net/ftp_connection.h"

#include <QDir>
#include <QFileInfo>

#include <curl/curl.h>

#include <mutex>

namespace zepril {

namespace {

QString commandName(CommandKind kind)
{
    switch (kind) {
    case CommandKind::Cd: return QStringLiteral("CD");
    case CommandKind::Ls: return QStringLiteral("LS");
    case CommandKind::Pwd: return QStringLiteral("PWD");
    case CommandKind::Get: return QStringLiteral("GET");
    }
    return {};
}

bool hasLineBreak(const QString& s) { return s.contains(u'\r') || s.contains(u'\n'); }

bool hasParentComponent(const QString& path)
{
    const QStringList parts = QDir::fromNativeSeparators(path).split(u'/');
    return parts.contains(QStringLiteral(".."));
}

}

bool splitGetArguments(const QString& arguments, QString* remote, QString* local)
{
    qsizetype first = -1;
    for (qsizetype blank = arguments.indexOf(u' '); blank >= 0; blank = arguments.indexOf(u' ', blank + 1)) {
        if (first < 0)
            first = blank;
        const QString r = arguments.left(blank);
        const QString l = arguments.mid(blank + 1);
        if (r.isEmpty() || l.isEmpty())
            continue;
        if (l == r || (l.endsWith(r) && QDir::fromNativeSeparators(l.left(l.size() - r.size())).endsWith(u'/'))) {
            *remote = r;
            *local = l;
            return true;
        }
    }
    if (first <= 0 || first + 1 >= arguments.size())
        return false;
    *remote = arguments.left(first);
    *local = arguments.mid(first + 1);
    return true;
}

FtpTransfer::FtpTransfer(QObject* parent) : TransferControl(parent)
{
    // libcurl's global set-up is not thread-safe: done here, on the owner's thread,
    // before any worker uses it.
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_connection = new FtpConnection;
    m_workerContext = new QObject;
    m_workerContext->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("ftp"));
    m_thread.start();
}

FtpTransfer::~FtpTransfer()
{
    m_connection->abort();
    m_thread.quit();
    m_thread.wait();
    delete m_workerContext;
    delete m_connection;
}

void FtpTransfer::setProtocol(int protocol) { m_protocol = protocol; }
void FtpTransfer::setRemotePort(int port) { m_port = port; }
void FtpTransfer::setUserName(const QString& user) { m_user = user; }
void FtpTransfer::setPassword(const QString& password) { m_password = password; }
void FtpTransfer::setRequestTimeout(int seconds) { m_timeoutS = seconds; }

void FtpTransfer::setUrl(const QString& url)
{
    m_url = url;
    QString host = url.trimmed();
    m_tls = false;
    if (host.startsWith(QLatin1String("ftps://"), Qt::CaseInsensitive)) {
        m_tls = true;
        host = host.mid(7);
    } else if (host.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive)) {
        host = host.mid(6);
    }
    while (host.endsWith(u'/'))
        host.chop(1);
    m_host = host;
}

void FtpTransfer::refuse(const QString& operation, const QString& reason)
{
    m_lastError = reason;
    qCWarning(lcFtp).noquote() << "refused" << operation << "-" << reason;
}

bool FtpTransfer::execute(const QString& operation, const QString&)
{
    if (m_executing) {
        refuse(operation, QStringLiteral("still executing the previous request"));
        return false;
    }
    FtpCommand command;
    if (operation == u"LS") {
        command.kind = CommandKind::Ls;
    } else if (operation == u"PWD") {
        command.kind = CommandKind::Pwd;
    } else if (operation.startsWith(QLatin1String("CD ")) && operation.size() > 3) {
        command.kind = CommandKind::Cd;
        command.argument = operation.mid(3);
    } else if (operation.startsWith(QLatin1String("GET "))) {
        command.kind = CommandKind::Get;
        if (!splitGetArguments(operation.mid(4), &command.argument, &command.local)) {
            refuse(operation, QStringLiteral("GET needs a remote name and a local path"));
            return false;
        }
        // The local side is trusted only as far as the receiving directory: a path
        // that climbs out of it is never written.
        if (hasParentComponent(command.local) || hasParentComponent(command.argument)) {
            refuse(operation, QStringLiteral("a path with \"..\" is never fetched"));
            return false;
        }
        if (!QFileInfo(command.local).absoluteDir().exists()) {
            refuse(operation, QStringLiteral("no directory to receive %1").arg(command.local));
            return false;
        }
    } else {
        refuse(operation, QStringLiteral("unknown FTP command"));
        return false;
    }
    if (hasLineBreak(operation)) {
        refuse(operation.simplified(), QStringLiteral("a line break cannot be sent to the server"));
        return false;
    }
    if (m_protocol != ProtocolFtp) {
        refuse(operation, QStringLiteral("protocol %1 is not FTP").arg(m_protocol));
        return false;
    }
    if (m_host.isEmpty()) {
        refuse(operation, QStringLiteral("no FTP server configured"));
        return false;
    }

    FtpSettings settings{m_host, m_tls, m_port, m_user, m_password, m_timeoutS};
    m_executing = true;
    m_succeeded = false;
    m_replyCode = 0;
    m_lastError.clear();
    m_response.clear();
    m_readPos = 0;
    qCInfo(lcFtp).noquote() << commandName(command.kind) << (m_tls ? "ftps" : "ftp") << m_host + u':'
            + QString::number(m_port) << "user" << m_user << command.argument << command.local;

    // The sink runs on the worker thread; each state is delivered on ours, and is
    // dropped with the posted event if this object is gone by then.
    auto sink = [this](int state) {
        QMetaObject::invokeMethod(this, [this, state] { emit stateChanged(state); }, Qt::QueuedConnection);
    };
    FtpConnection* connection = m_connection;
    QMetaObject::invokeMethod(
        m_workerContext,
        [this, connection, settings, command, sink] {
            const FtpResult result = connection->run(settings, command, sink);
            QMetaObject::invokeMethod(this, [this, result] { finish(result); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return true;
}

void FtpTransfer::finish(const FtpResult& result)
{
    m_succeeded = result.ok;
    m_replyCode = result.replyCode;
    m_lastError = result.error;
    m_response = result.response;
    m_readPos = 0;
    m_workingDirectory = result.workingDirectory;
    m_executing = false;
    if (!result.ok)
        qCWarning(lcFtp).noquote() << "request failed:" << result.error;
    emit stateChanged(result.ok ? 12 : 11);
}

QByteArray FtpTransfer::getChunk(int maxBytes)
{
    if (m_executing || maxBytes <= 0 || m_readPos >= m_response.size())
        return {};
    const QByteArray chunk = m_response.mid(m_readPos, maxBytes);
    m_readPos += chunk.size();
    return chunk;
}

QString FtpTransfer::getHeader(const QString&) const { return {}; }

}
