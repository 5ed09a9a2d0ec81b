#include "net/inet_control.h"

#include <QUrl>

namespace zepril {

InetControl::InetControl(std::unique_ptr<TransferControl> http, std::unique_ptr<TransferControl> ftp, QObject* parent)
    : TransferControl(parent)
    , m_http(std::move(http))
    , m_ftp(std::move(ftp))
{
    connect(m_http.get(), &TransferControl::stateChanged, this, [this](int s) {
        if (m_protocol != ProtocolFtp)
            emit stateChanged(s);
    });
    connect(m_ftp.get(), &TransferControl::stateChanged, this, [this](int s) {
        if (m_protocol == ProtocolFtp)
            emit stateChanged(s);
    });
    for (TransferControl* engine : {m_http.get(), m_ftp.get()}) {
        connect(engine, &TransferControl::dataAvailable, this, &TransferControl::dataAvailable);
        connect(engine, &TransferControl::requestFinished, this, &TransferControl::requestFinished);
    }
}

InetControl::~InetControl() = default;

TransferControl& InetControl::active() const { return m_protocol == ProtocolFtp ? *m_ftp : *m_http; }

void InetControl::setProtocol(int protocol)
{
    m_protocol = protocol == ProtocolFtp ? ProtocolFtp : (protocol == ProtocolHttps ? ProtocolHttps : ProtocolHttp);
    active().setProtocol(protocol);
}

void InetControl::setRemotePort(int port)
{
    m_http->setRemotePort(port);
    m_ftp->setRemotePort(port);
}

void InetControl::setUrl(const QString& url)
{
    // A URL with a scheme selects the engine; a bare host name keeps the protocol set.
    const QString scheme = QUrl(url).scheme().toLower();
    if (url.contains(QLatin1String("://"))) {
        if (scheme == QLatin1String("ftp") || scheme == QLatin1String("ftps"))
            m_protocol = ProtocolFtp;
        else if (scheme == QLatin1String("https"))
            m_protocol = ProtocolHttps;
        else if (scheme == QLatin1String("http"))
            m_protocol = ProtocolHttp;
    }
    active().setUrl(url);
}

QString InetControl::url() const { return active().url(); }

void InetControl::setUserName(const QString& user)
{
    m_http->setUserName(user);
    m_ftp->setUserName(user);
}

void InetControl::setPassword(const QString& password)
{
    m_http->setPassword(password);
    m_ftp->setPassword(password);
}

void InetControl::setRequestTimeout(int seconds)
{
    m_http->setRequestTimeout(seconds);
    m_ftp->setRequestTimeout(seconds);
}

bool InetControl::execute(const QString& operation, const QString& requestHeaders)
{
    return active().execute(operation, requestHeaders);
}

bool InetControl::stillExecuting() const { return m_http->stillExecuting() || m_ftp->stillExecuting(); }
QByteArray InetControl::getChunk(int maxBytes) { return active().getChunk(maxBytes); }
QString InetControl::getHeader(const QString& name) const { return active().getHeader(name); }
int InetControl::responseCode() const { return active().responseCode(); }
bool InetControl::succeeded() const { return active().succeeded(); }
QString InetControl::lastError() const { return active().lastError(); }
void InetControl::cancel() { active().cancel(); }

}
