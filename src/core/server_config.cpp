#include "core/server_config.h"

#include "core/ini_reader.h"
#include "core/logging.h"

#include <QUrl>

#ifndef ZEPRIL_UPDATE_SERVER
#define ZEPRIL_UPDATE_SERVER "maj.zepril.net"
#define ZEPRIL_CONTENT_SERVER "videos.zepril.net"
#define ZEPRIL_WEATHER_SERVER "meteo.zepril.net"
#define ZEPRIL_FTP_SERVER "ftp.zepril.net"
#endif

namespace zepril {

QString ServerAddress::hostPort() const
{
    QString h = host.contains(u':') ? u'[' + host + u']' : host;
    return port > 0 ? h + u':' + QString::number(port) : h;
}

QString ServerAddress::baseUrl() const { return scheme + QStringLiteral("://") + hostPort(); }

ServerAddress parseServerAddress(const QString& value, const QString& defaultScheme)
{
    QString text = value.trimmed();
    while (text.endsWith(u'/'))
        text.chop(1);
    if (!text.contains(QLatin1String("://")))
        text = defaultScheme + QStringLiteral("://") + text;
    const QUrl url(text, QUrl::StrictMode);
    ServerAddress a;
    a.scheme = url.scheme().toLower();
    // A value QUrl only half understands ("host:80800" loses its port) would send the
    // player somewhere else than configured: such a value names no host at all.
    if (!url.isValid() || url.host().isEmpty() || url.port(-1) == 0 || !url.path().isEmpty())
        return a;
    a.host = url.host();
    a.port = url.port(-1);
    return a;
}

ServerConfig defaultServerConfig()
{
    ServerConfig c;
    c.update = parseServerAddress(QStringLiteral(ZEPRIL_UPDATE_SERVER), QStringLiteral("http"));
    c.content = parseServerAddress(QStringLiteral(ZEPRIL_CONTENT_SERVER), QStringLiteral("http"));
    c.weather = parseServerAddress(QStringLiteral(ZEPRIL_WEATHER_SERVER), QStringLiteral("http"));
    c.ftp = parseServerAddress(QStringLiteral(ZEPRIL_FTP_SERVER), QStringLiteral("ftp"));
    // No account is built in: a password inside the binary would be readable by anyone
    // who has the package, and could never be changed without a new one.
    return c;
}

ServerConfig readServerConfig(const QString& configIniPath)
{
    ServerConfig c = defaultServerConfig();
    const QString servers = QStringLiteral("Serveurs");
    const auto address = [&](const char* key, ServerAddress& into, const char* scheme) {
        const QString v = iniValue(servers, QLatin1String(key), configIniPath, QString());
        if (v.trimmed().isEmpty())
            return;
        const ServerAddress parsed = parseServerAddress(v, QLatin1String(scheme));
        if (parsed.host.isEmpty()) {
            qCWarning(lcConfig).noquote()
                << "[Serveurs]" << key << "is no host[:port]:" << v << "- keeping" << into.baseUrl();
            return;
        }
        into = parsed;
    };
    address("maj", c.update, "http");
    address("videos", c.content, "http");
    address("meteo", c.weather, "http");
    address("ftp", c.ftp, "ftp");
    c.ftpUser = iniValue(servers, QStringLiteral("ftp_user"), configIniPath, c.ftpUser);
    c.ftpPassword = iniValue(servers, QStringLiteral("ftp_password"), configIniPath, c.ftpPassword);
    c.rebootCommand = iniValue(QStringLiteral("Systeme"), QStringLiteral("reboot"), configIniPath, QString());
    const QString rate = iniValue(servers, QStringLiteral("debit_max"), configIniPath, QString()).trimmed();
    bool isNumber = false;
    const qint64 kilobits = rate.toLongLong(&isNumber);
    if (isNumber && kilobits > 0)
        c.downloadRateLimit = kilobits * 1000 / 8;
    else if (!rate.isEmpty() && !(isNumber && kilobits == 0))
        qCWarning(lcConfig).noquote() << "[Serveurs] debit_max is no whole number of kbit/s:" << rate
                                      << "- the downloads are not capped";
    qCInfo(lcConfig).noquote() << "servers: update" << c.update.baseUrl() << "content" << c.content.baseUrl()
                               << "weather" << c.weather.baseUrl() << "ftp" << c.ftp.baseUrl() << "user" << c.ftpUser
                               << (c.rebootCommand.isEmpty() ? QString() : "reboot command: " + c.rebootCommand)
                               << (c.downloadRateLimit > 0
                                       ? QStringLiteral("downloads capped at %1 bytes/s").arg(c.downloadRateLimit)
                                       : QString());
    return c;
}

}
