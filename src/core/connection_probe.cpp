#include "core/connection_probe.h"

#include "core/logging.h"

#include <QNetworkInformation>
#include <QNetworkInterface>

namespace zepril {

SystemConnectionProbe::SystemConnectionProbe()
{
    m_backend = QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    if (!m_backend)
        qCInfo(lcSystem) << "no network information backend; judging the connection from the interfaces";
}

static bool anyInterfaceUp()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& itf : interfaces) {
        const auto flags = itf.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
            || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : itf.addressEntries()) {
            if (!entry.ip().isLoopback() && !entry.ip().isNull())
                return true;
        }
    }
    return false;
}

bool SystemConnectionProbe::isConnected(QString& kind)
{
    bool connected = false;
    if (m_backend && QNetworkInformation::instance()) {
        const auto r = QNetworkInformation::instance()->reachability();
        connected = r == QNetworkInformation::Reachability::Online || r == QNetworkInformation::Reachability::Site
            || (r == QNetworkInformation::Reachability::Unknown && anyInterfaceUp());
    } else {
        connected = anyInterfaceUp();
    }
    kind = connected ? QStringLiteral("LAN") : QString();
    return connected;
}

bool hasInternetConnection(ConnectionProbe& probe, QString& kind)
{
    kind.clear();
    return probe.isConnected(kind);
}

}
