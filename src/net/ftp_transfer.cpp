#include "net/ftp_transfer.h"

#include "core/logging.h"

#include <QDir>
#include <QFileInfo>

namespace zepril {

namespace {

QString commandName(CommandKind kind)
{
    switch (kind) {
    case CommandKind::Cd:
        return QStringLiteral("CD");
    case CommandKind::Ls:
        return QStringLiteral("LS");
    case CommandKind::Pwd:
        return QStringLiteral("PWD");
    case CommandKind::Get:
        return QStringLiteral("GET");
    }
    return {};
}

bool hasLineBreak(const QString& s) { return s.contains(u'\r') || s.contains(u'\n'); }

bool hasParentComponent(const QString& path)
{
    return QDir::fromNativeSeparators(path).split(u'/').contains(QStringLiteral(".."));
}

}

FtpTransfer::FtpTransfer(QObject* parent) : QObject(parent)
{
    curl::globalInit(); // here, on the owner's thread, before any worker uses libcurl
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

FtpResult FtpTransfer::result() const
{
    FtpResult r = m_result;
    if (m_busy)
        r.response.clear();
    return r;
}

bool FtpTransfer::refuse(const QString& what, const QString& reason)
{
    m_result.error = reason;
    qCWarning(lcFtp).noquote() << "refused" << what << "-" << reason;
    return false;
}

bool FtpTransfer::execute(const FtpCommand& command)
{
    const QString what = (commandName(command.kind) + u' ' + command.argument).simplified();
    if (m_busy)
        return refuse(what, QStringLiteral("still executing the previous request"));
    if (hasLineBreak(command.argument) || hasLineBreak(command.local))
        return refuse(what, QStringLiteral("a line break cannot be sent to the server"));
    if (command.kind == CommandKind::Cd && command.argument.isEmpty())
        return refuse(what, QStringLiteral("CD needs a directory"));
    if (command.kind == CommandKind::Get) {
        if (command.argument.isEmpty() || command.local.isEmpty())
            return refuse(what, QStringLiteral("GET needs a remote name and a local path"));
        // The local side is trusted only as far as the receiving directory: a path
        // that climbs out of it is never written.
        if (hasParentComponent(command.local) || hasParentComponent(command.argument))
            return refuse(what, QStringLiteral("a path with \"..\" is never fetched"));
        if (!QFileInfo(command.local).absoluteDir().exists())
            return refuse(what, QStringLiteral("no directory to receive %1").arg(command.local));
    }
    if (m_settings.host.isEmpty())
        return refuse(what, QStringLiteral("no FTP server configured"));

    const FtpSettings settings = m_settings;
    m_busy = true;
    m_result = {.workingDirectory = m_result.workingDirectory};
    qCInfo(lcFtp).noquote() << commandName(command.kind) << (settings.tls ? "ftps" : "ftp")
                            << settings.host + u':' + QString::number(settings.port) << "user" << settings.user
                            << command.argument << command.local;

    // The sink runs on the worker thread; each state is delivered on ours, and is
    // dropped with the posted event if this object is gone by then.
    auto sink = [this](TransferState state) {
        QMetaObject::invokeMethod(
            this, [this, state] { emit stateReached(state); }, Qt::QueuedConnection);
    };
    FtpConnection* connection = m_connection;
    QMetaObject::invokeMethod(
        m_workerContext,
        [this, connection, settings, command, sink] {
            const FtpResult result = connection->run(settings, command, sink);
            QMetaObject::invokeMethod(
                this, [this, result] { finish(result); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return true;
}

void FtpTransfer::finish(const FtpResult& result)
{
    m_result = result;
    m_busy = false;
    if (!result.ok)
        qCWarning(lcFtp).noquote() << "request failed:" << result.error;
    emit stateReached(result.ok ? TransferState::Completed : TransferState::Failed);
}

}
