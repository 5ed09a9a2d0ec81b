#pragma once
// Restarting the machine at once, every application closed without being asked: the
// daily restart after which the next start-up brings content up to date.
#include <QString>
#include <QStringList>

#include <functional>

namespace zepril {

class Rebooter {
public:
    virtual ~Rebooter() = default;
    // Makes the request and returns; true when it was handed to the system (or to the
    // configured command), false when it was refused or could not be made.
    virtual bool requestReboot() = 0;
};

// The ways a restart can be asked for. Tests replace them to see which one was chosen
// without touching the machine.
struct RebootActions {
    // Starts a configured command detached; false when it cannot be started.
    std::function<bool(const QString& program, const QStringList& arguments)> runCommand;
    // The system's own restart: logind's Reboot(interactive = false) on the system bus
    // (ExitWindowsEx on Windows); error receives the reason of a failure.
    std::function<bool(QString& error)> systemReboot;
    // systemctl reboot -i, for when logind is not reachable.
    std::function<bool(QString& error)> fallbackReboot;
};

// The real actions. The two system paths refuse on their own when
// systemRebootForbidden() holds, so no test can restart the machine it runs on.
RebootActions systemRebootActions();

// True when ZEPRIL_FORBID_REBOOT is set (the test runner sets it for every test).
bool systemRebootForbidden();

class SystemRebooter final : public Rebooter {
public:
    // command: the [Systeme] reboot setting; when not empty it runs instead of the
    // system's own restart (kiosks that restart through sudo, tests).
    explicit SystemRebooter(QString command = {}, RebootActions actions = systemRebootActions());
    SystemRebooter(QString command, RebootActions actions, bool forbidSystemReboot);

    bool requestReboot() override;

private:
    QString m_command;
    RebootActions m_actions;
    bool m_forbidden;
};

// What the daily scheduler calls. The outcome is only logged: the caller goes on as
// after a successful request either way.
void requestRebootNow(Rebooter& rebooter);

#ifdef Q_OS_WIN
// Without the shutdown privilege an NT-family system refuses the restart request.
void acquireShutdownPrivilege();
#endif

}
