#include "system/reboot.h"

#include "core/logging.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace zepril {

namespace {

bool startDetached(const QString& program, const QStringList& arguments)
{
    qint64 pid = 0;
    if (!QProcess::startDetached(program, arguments, QString(), &pid))
        return false;
    qCInfo(lcSystem) << "reboot command started, pid" << pid;
    return true;
}

#ifdef Q_OS_WIN

bool windowsReboot(QString& error)
{
    if (systemRebootForbidden()) {
        error = QStringLiteral("ZEPRIL_FORBID_REBOOT is set");
        return false;
    }
    acquireShutdownPrivilege();
    if (!ExitWindowsEx(EWX_REBOOT | EWX_FORCE, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED)) {
        error = QStringLiteral("ExitWindowsEx failed, error %1").arg(GetLastError());
        return false;
    }
    return true;
}

#else

bool logindReboot(QString& error)
{
    if (systemRebootForbidden()) {
        error = QStringLiteral("ZEPRIL_FORBID_REBOOT is set");
        return false;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        error = QStringLiteral("no system bus: ") + bus.lastError().message();
        return false;
    }
    QDBusInterface manager(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), bus);
    if (!manager.isValid()) {
        error = QStringLiteral("logind not reachable: ") + manager.lastError().message();
        return false;
    }
    // Not interactive: an unattended player has nobody to answer an authentication prompt.
    const QDBusMessage reply = manager.call(QStringLiteral("Reboot"), false);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        error = reply.errorName() + QStringLiteral(": ") + reply.errorMessage();
        return false;
    }
    return true;
}

bool systemctlReboot(QString& error)
{
    if (systemRebootForbidden()) {
        error = QStringLiteral("ZEPRIL_FORBID_REBOOT is set");
        return false;
    }
    // -i: go ahead even though sessions are open or inhibitors are held, as the
    // restart must close everything without asking.
    QProcess process;
    process.start(QStringLiteral("systemctl"), {QStringLiteral("reboot"), QStringLiteral("-i")});
    if (!process.waitForStarted(5000)) {
        error = QStringLiteral("systemctl did not start: ") + process.errorString();
        return false;
    }
    if (!process.waitForFinished(10000)) {
        // Still running while the system goes down is the expected case, not a failure.
        return true;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error = QStringLiteral("systemctl exit code %1: %2")
                    .arg(process.exitCode())
                    .arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return false;
    }
    return true;
}

#endif

}

bool systemRebootForbidden() { return qEnvironmentVariableIsSet("ZEPRIL_FORBID_REBOOT"); }

RebootActions systemRebootActions()
{
    RebootActions actions;
    actions.runCommand = startDetached;
#ifdef Q_OS_WIN
    actions.systemReboot = windowsReboot;
    actions.fallbackReboot = [](QString& error) {
        error = QStringLiteral("no fallback on this system");
        return false;
    };
#else
    actions.systemReboot = logindReboot;
    actions.fallbackReboot = systemctlReboot;
#endif
    return actions;
}

SystemRebooter::SystemRebooter(QString command, RebootActions actions)
    : SystemRebooter(std::move(command), std::move(actions), systemRebootForbidden())
{}

SystemRebooter::SystemRebooter(QString command, RebootActions actions, bool forbidSystemReboot)
    : m_command(std::move(command)), m_actions(std::move(actions)), m_forbidden(forbidSystemReboot)
{}

bool SystemRebooter::requestReboot()
{
    if (!m_command.trimmed().isEmpty()) {
        QStringList parts = QProcess::splitCommand(m_command);
        if (parts.isEmpty()) {
            qCWarning(lcSystem).noquote() << "reboot command cannot be parsed:" << m_command;
            return false;
        }
        const QString program = parts.takeFirst();
        qCInfo(lcSystem).noquote() << "reboot requested: running configured command" << m_command;
        if (!m_actions.runCommand(program, parts)) {
            qCWarning(lcSystem).noquote() << "reboot command could not be started:" << program;
            return false;
        }
        return true;
    }

    if (m_forbidden) {
        qCWarning(lcSystem)
            << "reboot requested: refused, ZEPRIL_FORBID_REBOOT is set and no reboot command is configured";
        return false;
    }

    qCInfo(lcSystem) << "reboot requested: asking logind";
    QString error;
    if (m_actions.systemReboot(error)) {
        qCInfo(lcSystem) << "reboot accepted by logind";
        return true;
    }
    qCWarning(lcSystem).noquote() << "logind reboot failed:" << error << "- trying systemctl reboot -i";
    error.clear();
    if (m_actions.fallbackReboot(error)) {
        qCInfo(lcSystem) << "reboot handed to systemctl";
        return true;
    }
    qCWarning(lcSystem).noquote() << "systemctl reboot failed:" << error << "- the player keeps running";
    return false;
}

void requestRebootNow(Rebooter& rebooter)
{
    if (!rebooter.requestReboot())
        qCWarning(lcSystem) << "daily restart did not happen; playback goes on until the next one";
}

#ifdef Q_OS_WIN

void acquireShutdownPrivilege()
{
    SetLastError(0);
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        qCWarning(lcSystem) << "cannot open the process token, error" << GetLastError();
        return;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    if (GetLastError() != ERROR_SUCCESS)
        qCWarning(lcSystem) << "shutdown privilege not enabled, error" << GetLastError();
    CloseHandle(token);
}

#endif

}
