#pragma once
// Server addresses and system commands: build-time defaults that the [Serveurs] and
// [Systeme] sections of cfg/config.ini may override.
#include <QString>

namespace zepril {

struct ServerAddress {
    QString scheme; // "http", "https", "ftp", "ftps"
    QString host;
    int port = -1; // -1: the scheme's default

    // "scheme://host[:port]" without a trailing slash.
    QString baseUrl() const;
    // host or host:port as configured, for logs.
    QString hostPort() const;
};

// Parses "host", "host:port" or "scheme://host[:port]"; without a scheme, defaultScheme.
// A malformed value (bad port, blanks, a path) gives an empty host.
ServerAddress parseServerAddress(const QString& value, const QString& defaultScheme);

struct ServerConfig {
    ServerAddress update;  // maj
    ServerAddress content; // videos
    ServerAddress weather; // meteo
    ServerAddress ftp;     // ftp
    QString ftpUser;
    QString ftpPassword;          // never logged
    QString rebootCommand;        // [Systeme] reboot; empty: the system's own reboot
    qint64 downloadRateLimit = 0; // [Serveurs] debit_max (kbit/s) in bytes per second; 0: no cap
};

ServerConfig defaultServerConfig();
ServerConfig readServerConfig(const QString& configIniPath);

}
