#pragma once
// Whether the machine has a working network connection, and the kind reported.
#include <QString>

namespace zepril {

class ConnectionProbe {
public:
    virtual ~ConnectionProbe() = default;
    // True when connected; kind receives "LAN" when connected, "" otherwise.
    virtual bool isConnected(QString& kind) = 0;
};

// Asks Qt's network information backend for reachability; where no backend can be
// loaded, a non-loopback interface that is up with an address counts as connected.
class SystemConnectionProbe final : public ConnectionProbe {
public:
    SystemConnectionProbe();
    bool isConnected(QString& kind) override;

private:
    bool m_backend = false;
};

// The helper routine the rest of the program calls.
bool hasInternetConnection(ConnectionProbe& probe, QString& kind);

}
