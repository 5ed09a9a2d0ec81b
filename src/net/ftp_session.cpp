#include "net/ftp_session.h"

#include "core/logging.h"
#include "core/timings.h"
#include "net/ftp_listing.h"
#include "net/ftp_transfer.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <array>

namespace zepril {

namespace {

// The engine that ends a command always signals its last state; this margin only lets
// that signal arrive after the engine's own timeout before the wait gives up.
constexpr int kWaitGraceMs = 500;

const QString kPleaseWait = QStringLiteral(". Please wait...");

bool endsWithSeparator(const QString& dir)
{
    return dir.endsWith(u'/') || dir.endsWith(QDir::separator());
}

}

FtpSessionSettings ftpSessionSettings(const ServerConfig& servers, const Timings& timings)
{
    FtpSessionSettings s;
    s.server = servers.ftp;
    s.user = servers.ftpUser;
    s.password = servers.ftpPassword;
    s.requestTimeoutS = timings.ftpRequestTimeoutS;
    return s;
}

FtpSession::FtpSession(FtpTransfer& engine, QObject* parent) : QObject(parent), m_engine(engine)
{
    connect(&m_engine, &FtpTransfer::stateChanged, this, &FtpSession::onStateChanged);
}

void FtpSession::connectToServer(const FtpSessionSettings& settings)
{
    const bool tls = settings.server.scheme == u"ftps";
    const int port = settings.server.port > 0 ? settings.server.port : 21;
    m_timeoutS = std::max(1, settings.requestTimeoutS);
    qCInfo(lcFtp).noquote() << "FTP session with" << (tls ? "ftps://" : "ftp://") + settings.server.host << "port"
                            << port << "user" << settings.user << "timeout" << m_timeoutS << "s";
    m_engine.configure({settings.server.host, tls, port, settings.user, settings.password, m_timeoutS});
    waitForIdle();
    listDirectory();
    waitForIdle();
}

void FtpSession::listDirectory(const QString& dir)
{
    setListedEntries({});
    waitForIdle();
    if (!dir.isEmpty() && send({CommandKind::Cd, dir, {}})) {
        waitForIdle();
        if (serverUnavailable()) {
            // Listing and asking for the directory would each wait for the same dead
            // server again.
            setListedEntries(orderListing({}));
            setRemoteDirectory({});
            return;
        }
    }
    waitForIdle();
    const bool listed = send({CommandKind::Ls, {}, {}});
    const QString answer = listed ? lastAnswer() : QString();
    setListedEntries(orderListing(answer));
    if (!listed || serverUnavailable()) {
        setRemoteDirectory({});
        return;
    }
    setRemoteDirectory(send({CommandKind::Pwd, {}, {}}) ? lastAnswer() : QString());
}

QString FtpSession::lastAnswer()
{
    waitForIdle();
    return QString::fromUtf8(m_engine.response());
}

void FtpSession::waitForIdle()
{
    // An engine already given up on is not waited for again until it shows life.
    if (!m_engine.stillExecuting() || m_gaveUp)
        return;
    QEventLoop loop;
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setInterval(m_timeoutS * 1000 + kWaitGraceMs);
    connect(&m_engine, &FtpTransfer::stateChanged, &loop, [&] {
        if (!m_engine.stillExecuting())
            loop.quit();
        else
            quiet.start();
    });
    connect(&quiet, &QTimer::timeout, &loop, [&] {
        qCWarning(lcFtp) << "no news from the transfer control for" << quiet.interval() << "ms; not waiting longer";
        m_gaveUp = true;
        loop.quit();
    });
    quiet.start();
    // Checked again: the control may have ended between the first check and now.
    if (m_engine.stillExecuting())
        loop.exec();
}

void FtpSession::onStateChanged(int state)
{
    m_gaveUp = false;
    const bool known = state >= 0 && state <= 12;
    QString text = known ? stateText(state) : m_status;
    // An unknown state keeps the text as it is, and must not stack a second suffix.
    if (m_engine.stillExecuting() && (known || !text.endsWith(kPleaseWait)))
        text += kPleaseWait;
    setStatus(text);
}

void FtpSession::activateEntry(const QString& entry)
{
    if (entry == kEmptyFolderMarker)
        return;
    if (isDirectoryEntry(entry)) {
        if (!isPlainEntryName(entry, true)) {
            qCWarning(lcFtp).noquote() << "entry" << entry << "names a path, not a directory of this listing; ignored";
            return;
        }
        listDirectory(entry);
        return;
    }
    if (!isPlainEntryName(entry)) {
        qCWarning(lcFtp).noquote() << "entry" << entry << "names a path; it is never fetched";
        return;
    }
    QString local = m_localDirectory;
    if (!local.isEmpty() && !endsWithSeparator(local))
        local += QDir::separator();
    local += entry;
    waitForIdle();
    if (send({CommandKind::Get, entry, local}))
        waitForIdle();
}

QString FtpSession::stateText(int state)
{
    static const std::array<const char*, 13> texts{
        "",
        "Looking up IP address of the host computer",
        "Successfully found IP address of the host computer",
        "Connecting to the host computer",
        "Successfully connected to the host computer",
        "Sending a request to the host computer",
        "Successfully sent the request",
        "Receiving a response from the host computer",
        "Successfully received a response from the host computer",
        "Disconnecting from the host computer",
        "Successfully disconnected from the host computer",
        "Error occurred in communicating with the host computer",
        "Request completed, all data received",
    };
    if (state < 0 || state >= static_cast<int>(texts.size()))
        return {};
    return QString::fromLatin1(texts[static_cast<size_t>(state)]);
}

void FtpSession::setLocalDirectory(const QString& directory)
{
    if (directory == m_localDirectory)
        return;
    m_localDirectory = directory;
    emit localDirectoryChanged(m_localDirectory);
}

bool FtpSession::send(const FtpCommand& command)
{
    if (m_engine.execute(command))
        return true;
    qCWarning(lcFtp).noquote() << "command not sent:" << m_engine.lastError();
    return false;
}

bool FtpSession::serverUnavailable() const
{
    if (m_engine.stillExecuting())
        return true;
    if (m_engine.succeeded())
        return false;
    // These replies come from a logged-in server about one directory or file; any
    // other failure means the server was not reached or would not have us.
    const int code = m_engine.responseCode();
    return !(code == 450 || code == 550 || code == 553);
}

void FtpSession::setListedEntries(const QStringList& entries)
{
    if (entries == m_listedEntries)
        return;
    m_listedEntries = entries;
    emit listedEntriesChanged(m_listedEntries);
}

void FtpSession::setRemoteDirectory(const QString& directory)
{
    if (directory == m_remoteDirectory)
        return;
    m_remoteDirectory = directory;
    emit remoteDirectoryChanged(m_remoteDirectory);
}

void FtpSession::setStatus(const QString& text)
{
    if (text == m_status)
        return;
    m_status = text;
    emit statusTextChanged(m_status);
}

}
