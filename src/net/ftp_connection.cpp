#include "net/ftp_connection.h"

#include "core/logging.h"
#include "net/ftp_listing.h"

#include <QDir>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>
#include <cctype>

namespace zepril {

namespace {

// Listings beyond this size are not a directory a person browses; stop reading rather
// than let a broken server fill the memory.
constexpr qsizetype kMaxListingBytes = 8 * 1024 * 1024;

// The quoted directory of a 257 reply; "" when the reply has none.
QString pathOf257(const QByteArray& line)
{
    const QString text = QString::fromUtf8(line);
    const qsizetype open = text.indexOf(u'"');
    if (open < 0)
        return {};
    QString path;
    for (qsizetype i = open + 1; i < text.size(); ++i) {
        if (text.at(i) == u'"') {
            if (i + 1 < text.size() && text.at(i + 1) == u'"') { // "" stands for one quote
                path += u'"';
                ++i;
                continue;
            }
            return path;
        }
        path += text.at(i);
    }
    return {};
}

// Removes "." and resolves ".." inside an absolute server path.
QString cleanServerPath(const QString& path)
{
    QStringList out;
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        out << part;
    }
    return u'/' + out.join(u'/');
}

}

FtpConnection::FtpConnection() = default;
FtpConnection::~FtpConnection() = default;

FtpResult FtpConnection::run(const FtpSettings& settings, const FtpCommand& command, const StateSink& sink)
{
    if (!m_easy || !(settings == m_settings)) {
        // Another server or account: nothing learnt about the old one holds.
        m_easy = std::make_unique<curl::Easy>();
        m_easy->onConnecting([this] {
            if (!m_connected) {
                emitState(TransferState::Resolved);
                emitState(TransferState::Connecting);
            }
        });
        m_settings = settings;
        m_cwd.clear();
        m_noMlsd = false;
        m_connected = false;
    }
    m_sink = &sink;
    m_lastState.reset();
    FtpResult r;
    if (!*m_easy) {
        r.error = QStringLiteral("libcurl could not be initialised");
    } else {
        if (!m_connected)
            emitState(TransferState::Resolving);
        switch (command.kind) {
        case CommandKind::Ls:
            r = list();
            break;
        case CommandKind::Cd:
            r = changeDirectory(command.argument);
            break;
        case CommandKind::Pwd:
            r = printDirectory();
            break;
        case CommandKind::Get:
            r = fetch(command.argument, command.local);
            break;
        }
    }
    r.workingDirectory = m_cwd;
    m_sink = nullptr;
    return r;
}

QString FtpConnection::baseUrl() const
{
    const QString host = m_settings.host.contains(u':') ? u'[' + m_settings.host + u']' : m_settings.host;
    return QStringLiteral("ftp://%1:%2").arg(host).arg(m_settings.port > 0 ? m_settings.port : 21);
}

QString FtpConnection::urlOf(const QString& absolutePath, bool directory) const
{
    QStringList parts;
    for (const QString& p : absolutePath.split(u'/', Qt::SkipEmptyParts))
        parts << QString::fromLatin1(QUrl::toPercentEncoding(p));
    QString url = baseUrl() + QStringLiteral("/%2F") + parts.join(u'/');
    if (directory)
        url += u'/';
    return url;
}

QString FtpConnection::urlOfName(const QString& name, bool directory) const
{
    if (name.startsWith(u'/'))
        return urlOf(cleanServerPath(name), directory);
    if (!m_cwd.isEmpty())
        return urlOf(cleanServerPath(m_cwd + u'/' + name), directory);
    QStringList parts;
    for (const QString& p : name.split(u'/', Qt::SkipEmptyParts))
        parts << QString::fromLatin1(QUrl::toPercentEncoding(p));
    return baseUrl() + u'/' + parts.join(u'/') + (directory ? QStringLiteral("/") : QString());
}

QString FtpConnection::currentDirectoryUrl() const { return m_cwd.isEmpty() ? baseUrl() + u'/' : urlOf(m_cwd, true); }

void FtpConnection::prepare(const QString& url)
{
    m_easy->reset(); // keeps the open connection
    m_url = url.toUtf8();
    m_user = m_settings.user.toUtf8();
    m_password = m_settings.password.toUtf8();
    m_replyCode = 0;
    m_sentCommands.clear();
    m_exchanges.clear();
    m_lastDataSignal.invalidate();
    m_easy->set(CURLOPT_URL, m_url.constData());
    m_easy->set(CURLOPT_PROTOCOLS_STR, "ftp");
    // Given apart from the URL so that no URL, logged or not, ever holds them.
    m_easy->set(CURLOPT_USERNAME, m_user.constData());
    m_easy->set(CURLOPT_PASSWORD, m_password.constData());
    m_easy->set(CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (m_settings.tls) {
        // Explicit TLS: AUTH TLS on the plain port, and no fallback to clear text,
        // so the password never crosses the network unprotected.
        m_easy->set(CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        m_easy->set(CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    }
    // The debug hook is where libcurl shows each command and reply: the states
    // and the 257 answers come from there. Nothing it sees is logged (the login
    // command carries the password).
    m_easy->set(CURLOPT_VERBOSE, 1L);
    m_easy->set(CURLOPT_DEBUGFUNCTION, &FtpConnection::onDebug);
    m_easy->set(CURLOPT_DEBUGDATA, this);
}

FtpConnection::Outcome FtpConnection::perform()
{
    const int timeoutMs = std::max(1, m_settings.timeoutS) * 1000;
    const curl::Outcome done = m_easy->perform({timeoutMs, timeoutMs, 0}, &m_abort);
    Outcome o{done.code, done.error};
    switch (o.code) {
    case CURLE_OK:
        m_connected = true;
        break;
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_QUOTE_ERROR:
    case CURLE_WRITE_ERROR:
        break; // the server said no to this one request; the connection stays
    default:
        m_connected = false;
    }
    if (m_cwd.isEmpty() && o.code == CURLE_OK) {
        const char* entry = nullptr;
        if (curl_easy_getinfo(m_easy->handle(), CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry && *entry)
            m_cwd = QString::fromUtf8(entry);
    }
    return o;
}

FtpResult FtpConnection::failed(const Outcome& o, const QString& what) const
{
    FtpResult r;
    r.replyCode = m_replyCode;
    r.error = what + QStringLiteral(": ") + o.error;
    return r;
}

FtpResult FtpConnection::list()
{
    const QString url = currentDirectoryUrl();
    QByteArray body;
    FtpResult r;
    if (!m_noMlsd) {
        Outcome o = listWith(url, "MLSD", false, &body);
        if (o.code == CURLE_OK) {
            r.ok = true;
            r.response = formatLsAnswer(parseMlsd(body));
            r.replyCode = m_replyCode;
            logListing(url, "MLSD", body.size(), r.response);
            return r;
        }
        // 500/502: the server does not know MLSD; anything else is a real failure.
        if (!(m_replyCode == 500 || m_replyCode == 502 || m_replyCode == 504) || m_abort)
            return failed(o, QStringLiteral("MLSD"));
        qCInfo(lcFtp).noquote() << "server does not support MLSD, listing with LIST";
        m_noMlsd = true;
    }
    body.clear();
    Outcome o = listWith(url, nullptr, false, &body);
    if (o.code != CURLE_OK)
        return failed(o, QStringLiteral("LIST"));
    bool readable = false;
    QList<FtpEntry> entries = parseList(body, &readable);
    const char* used = "LIST";
    if (!readable) {
        // A listing format we cannot read: bare names at least; what a name is
        // cannot be told then, so each one counts as a file.
        QByteArray names;
        const Outcome n = listWith(url, nullptr, true, &names);
        if (n.code != CURLE_OK)
            return failed(n, QStringLiteral("NLST"));
        entries = parseNlst(names);
        body = names;
        used = "NLST";
    }
    r.ok = true;
    r.replyCode = m_replyCode;
    r.response = formatLsAnswer(entries);
    logListing(url, used, body.size(), r.response);
    return r;
}

void FtpConnection::logListing(const QString& url, const char* how, qsizetype bytes, const QByteArray& answer) const
{
    qCInfo(lcFtp).noquote() << how << url << "reply" << m_replyCode << "bytes" << bytes << "entries"
                            << answer.count('\n');
}

FtpConnection::Outcome FtpConnection::listWith(const QString& url, const char* customCommand, bool namesOnly,
                                               QByteArray* body)
{
    prepare(url);
    if (customCommand)
        m_easy->set(CURLOPT_CUSTOMREQUEST, customCommand);
    if (namesOnly)
        m_easy->set(CURLOPT_DIRLISTONLY, 1L);
    m_body = body;
    m_easy->set(CURLOPT_WRITEFUNCTION, &FtpConnection::onListingData);
    m_easy->set(CURLOPT_WRITEDATA, this);
    const Outcome o = perform();
    m_body = nullptr;
    return o;
}

FtpConnection::Outcome FtpConnection::commands(const QList<QByteArray>& lines)
{
    prepare(baseUrl() + u'/');
    curl::StringList list;
    // "*": a refusal is not an error for libcurl, which would otherwise drop the
    // connection; the replies are judged here instead.
    for (const QByteArray& line : lines)
        list.append('*' + line);
    m_easy->set(CURLOPT_QUOTE, list.get());
    m_easy->set(CURLOPT_NOBODY, 1L);
    const Outcome o = perform();
    m_easy->set(CURLOPT_QUOTE, nullptr);
    return o;
}

FtpResult FtpConnection::changeDirectory(const QString& directory)
{
    QString target = directory;
    while (target.size() > 1 && target.endsWith(u'/'))
        target.chop(1);
    QList<QByteArray> lines;
    if (!m_cwd.isEmpty())
        lines << "CWD " + m_cwd.toUtf8();
    lines << "CWD " + target.toUtf8() << "PWD";
    const Outcome o = commands(lines);
    int refusal = 0;
    for (const QByteArray& line : lines) {
        const int code = replyTo(line);
        if (code / 100 != 2) {
            refusal = code;
            break;
        }
    }
    if (o.code != CURLE_OK || refusal != 0) {
        const QString reason = o.code != CURLE_OK ? o.error : QStringLiteral("refused with reply %1").arg(refusal);
        qCWarning(lcFtp).noquote() << "CWD" << directory << "failed:" << reason;
        FtpResult r;
        r.replyCode = o.code != CURLE_OK ? m_replyCode : refusal;
        r.error = QStringLiteral("CWD %1: %2").arg(directory, reason);
        return r;
    }
    const QString before = m_cwd;
    m_cwd = pathOf257(replyTextTo("PWD"));
    if (m_cwd.isEmpty()) // a server that does not say: worked out from the request
        m_cwd = cleanServerPath(target.startsWith(u'/') ? target : before + u'/' + target);
    qCInfo(lcFtp).noquote() << "CWD" << directory << "-> " + m_cwd;
    FtpResult r;
    r.ok = true;
    r.replyCode = 250;
    return r;
}

FtpResult FtpConnection::printDirectory()
{
    QList<QByteArray> lines;
    if (!m_cwd.isEmpty())
        lines << "CWD " + m_cwd.toUtf8();
    lines << "PWD";
    const Outcome o = commands(lines);
    // When the directory has gone meanwhile, PWD still tells where we are now.
    const QString path = pathOf257(replyTextTo("PWD"));
    if (o.code != CURLE_OK || replyTo("PWD") != 257 || path.isEmpty()) {
        const QString reason = o.code != CURLE_OK ? o.error : QStringLiteral("no directory in the reply");
        qCWarning(lcFtp).noquote() << "PWD failed:" << reason;
        FtpResult r;
        r.replyCode = m_replyCode;
        r.error = QStringLiteral("PWD: ") + reason;
        return r;
    }
    m_cwd = path;
    FtpResult r;
    r.ok = true;
    r.replyCode = 257;
    r.response = m_cwd.toUtf8();
    return r;
}

int FtpConnection::replyTo(const QByteArray& command) const
{
    for (qsizetype i = m_exchanges.size() - 1; i >= 0; --i)
        if (m_exchanges.at(i).command == command)
            return m_exchanges.at(i).code;
    return 0;
}

QByteArray FtpConnection::replyTextTo(const QByteArray& command) const
{
    for (qsizetype i = m_exchanges.size() - 1; i >= 0; --i)
        if (m_exchanges.at(i).command == command)
            return m_exchanges.at(i).reply;
    return {};
}

FtpResult FtpConnection::fetch(const QString& remote, const QString& local)
{
    const QString url = urlOfName(remote, false);
    QSaveFile file(local);
    // The file appears under its name only once it is complete: a broken transfer
    // leaves the previous file, or none, never a truncated one.
    if (!file.open(QIODevice::WriteOnly)) {
        FtpResult r;
        r.error = QStringLiteral("cannot write %1: %2").arg(local, file.errorString());
        qCWarning(lcFtp).noquote() << "GET" << url << "->" << local << "failed:" << r.error;
        return r;
    }
    prepare(url);
    m_easy->set(CURLOPT_WRITEFUNCTION, &FtpConnection::onFileData);
    m_easy->set(CURLOPT_WRITEDATA, this);
    m_file = &file;
    m_fileBytes = 0;
    const Outcome o = perform();
    m_file = nullptr;
    if (o.code != CURLE_OK || !file.commit()) {
        file.cancelWriting();
        const QString reason = o.code != CURLE_OK ? o.error : file.errorString();
        qCWarning(lcFtp).noquote() << "GET" << url << "->" << local << "failed, reply" << m_replyCode << reason;
        FtpResult r = failed(o, QStringLiteral("GET ") + remote);
        if (o.code == CURLE_OK)
            r.error = QStringLiteral("GET %1: %2").arg(remote, reason);
        return r;
    }
    qCInfo(lcFtp).noquote() << "GET" << url << "->" << local << "reply" << m_replyCode << "bytes" << m_fileBytes;
    FtpResult r;
    r.ok = true;
    r.replyCode = m_replyCode;
    return r;
}

void FtpConnection::emitState(TransferState state)
{
    if (state == m_lastState || !m_sink)
        return;
    m_lastState = state;
    (*m_sink)(state);
}

int FtpConnection::onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self)
{
    auto* c = static_cast<FtpConnection*>(self);
    switch (type) {
    case CURLINFO_HEADER_OUT: {
        QByteArray command = QByteArray(data, static_cast<qsizetype>(size)).trimmed();
        if (command.startsWith("PASS"))
            command = "PASS"; // kept out of every record
        c->m_sentCommands << command;
        c->emitState(TransferState::Requesting);
        c->emitState(TransferState::RequestSent);
        break;
    }
    case CURLINFO_HEADER_IN: {
        c->m_easy->noteActivity();
        const QByteArray line(data, static_cast<qsizetype>(size));
        if (line.startsWith("220") && !c->m_connected) {
            c->m_connected = true;
            c->emitState(TransferState::Connected);
        }
        // The last line of a reply is "ddd text"; continuation lines are "ddd-".
        if (line.size() >= 4 && line.at(3) == ' ' && std::isdigit(static_cast<unsigned char>(line.at(0)))) {
            c->m_replyCode = line.left(3).toInt();
            // One final reply per command, in order; 1xx replies only announce one.
            if (c->m_replyCode >= 200 && !c->m_sentCommands.isEmpty())
                c->m_exchanges.append({c->m_sentCommands.takeFirst(), c->m_replyCode, line.trimmed()});
        }
        c->emitState(TransferState::ReceivingResponse);
        c->emitState(TransferState::ResponseReceived);
        break;
    }
    case CURLINFO_DATA_IN:
        // Repeated about once a second during a long transfer so that waiters see
        // that it is alive.
        if (!c->m_lastDataSignal.isValid() || c->m_lastDataSignal.elapsed() >= 1000) {
            c->m_lastDataSignal.start();
            c->m_lastState.reset();
        }
        c->emitState(TransferState::ReceivingResponse);
        break;
    default:
        break;
    }
    return 0;
}

size_t FtpConnection::onListingData(char* data, size_t size, size_t count, void* self)
{
    auto* c = static_cast<FtpConnection*>(self);
    const size_t n = size * count;
    if (!c->m_body || c->m_body->size() + static_cast<qsizetype>(n) > kMaxListingBytes)
        return 0;
    c->m_body->append(data, static_cast<qsizetype>(n));
    return n;
}

size_t FtpConnection::onFileData(char* data, size_t size, size_t count, void* self)
{
    auto* c = static_cast<FtpConnection*>(self);
    const size_t n = size * count;
    if (!c->m_file || c->m_file->write(data, static_cast<qint64>(n)) != static_cast<qint64>(n))
        return 0;
    c->m_fileBytes += static_cast<qint64>(n);
    return n;
}

}
