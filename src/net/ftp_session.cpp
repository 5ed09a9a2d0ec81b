#include "net/ftp_session.h"

#include "core/logging.h"
#include "core/timings.h"
#include "net/ftp_listing.h"
#include "net/ftp_transfer.h"

#include "core/event_wait.h"

#include <QDir>

#include <algorithm>
#include <array>

namespace zepril {

namespace {

// The engine that ends a command always signals its last state; this margin only lets
// that signal arrive after the engine's own timeout before the wait gives up.
constexpr int kWaitGraceMs = 500;

const QString kPleaseWait = QStringLiteral(". Please wait...");

bool endsWithSeparator(const QString& dir) { return dir.endsWith(u'/') || dir.endsWith(QDir::separator()); }

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
    connect(&m_engine, &FtpTransfer::stateReached, this, &FtpSession::showState);
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
    return QString::fromUtf8(m_engine.result().response);
}

void FtpSession::waitForIdle()
{
    // An engine already given up on is not waited for again until it shows life.
    if (!m_engine.busy() || m_gaveUp)
        return;
    // Every state is a sign of life and starts the quiet time again.
    EventSleeper sleeper;
    connect(&m_engine, &FtpTransfer::stateReached, &sleeper, &EventSleeper::wake);
    const int quietMs = m_timeoutS * 1000 + kWaitGraceMs;
    while (m_engine.busy()) {
        const EventSleeper::End end = sleeper.sleep(quietMs);
        if (end == EventSleeper::End::TimedOut) {
            qCWarning(lcFtp) << "no news from the transfer control for" << quietMs << "ms; not waiting longer";
            m_gaveUp = true;
        }
        if (end != EventSleeper::End::Woken)
            return;
    }
}

void FtpSession::showState(TransferState state)
{
    m_gaveUp = false;
    const bool known = state >= TransferState::Idle && state <= TransferState::Completed;
    QString text = known ? stateText(state) : m_status;
    // An unknown state keeps the text as it is, and must not stack a second suffix.
    if (m_engine.busy() && (known || !text.endsWith(kPleaseWait)))
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

QString FtpSession::stateText(TransferState state)
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
    const auto index = static_cast<size_t>(state);
    return index < texts.size() ? QString::fromLatin1(texts[index]) : QString();
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
    qCWarning(lcFtp).noquote() << "command not sent:" << m_engine.result().error;
    return false;
}

bool FtpSession::serverUnavailable() const
{
    if (m_engine.busy())
        return true;
    const FtpResult result = m_engine.result();
    if (result.ok)
        return false;
    // These replies come from a logged-in server about one directory or file; any
    // other failure means the server was not reached or would not have us.
    const int code = result.replyCode;
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
