#include "core/exit_reasons.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace zepril {

namespace {

std::atomic<int> g_phase{int(RunPhase::Starting)};
std::atomic<qint64> g_watchdogPeriodMs{0};
std::atomic<qint64> g_lastPingMs{0};
std::atomic<bool> g_fatalReported{false};
std::atomic<bool> g_displayLost{false};
std::atomic<bool> g_plannedExit{false};
bool g_toJournal = false;
QtMessageHandler g_previousHandler = nullptr;
bool g_noDisplay = false;

qint64 monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

struct Line {
    char* at;
    char* end;
    void add(const char* text)
    {
        while (*text && at < end)
            *at++ = *text++;
    }
    void add(qint64 number)
    {
        char digits[24];
        int n = 0;
        do {
            digits[n++] = char('0' + number % 10);
            number /= 10;
        } while (number > 0 && n < 24);
        while (n > 0 && at < end)
            *at++ = digits[--n];
    }
};

const char* signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "a fatal signal";
    }
}

void onFatalSignal(int signalNumber)
{
    // A fatal Qt message already told why, and aborts right after it.
    if (!(signalNumber == SIGABRT && g_fatalReported.load())) {
        char buffer[512];
        const int prefix = g_toJournal ? 3 : 0;
        std::memcpy(buffer, "<2>", 3);
        const qint64 lastPing = g_lastPingMs.load();
        const int length =
            formatExitLine(buffer + prefix, int(sizeof buffer) - prefix, signalNumber, RunPhase(g_phase.load()),
                           lastPing ? monotonicMs() - lastPing : -1, g_watchdogPeriodMs.load());
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, buffer, size_t(prefix + length));
    }
    // The default action follows: the core dump and the status the service manager records.
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

void reportFatalMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("could not connect to display")))
        g_noDisplay = true;
    if (type == QtWarningMsg && message.contains(QLatin1String("X11 connection broke")))
        g_displayLost.store(true);
    if (type == QtFatalMsg && !g_fatalReported.exchange(true)) {
        const QByteArray display = qgetenv("DISPLAY");
        const QString reason = g_noDisplay
            ? QStringLiteral("no X display at DISPLAY=") + QString::fromLocal8Bit(display)
                + QStringLiteral(" (the X server is not running or refuses the player)")
            : message;
        const QByteArray line =
            QByteArray(g_toJournal ? "<2>" : "") + "zepril.system: the player ends: " + reason.toUtf8() + '\n';
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.constData(), size_t(line.size()));
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

void onUnplannedExit()
{
    if (g_plannedExit.load())
        return;
    const char* line = g_displayLost.load()
        ? "zepril.system: the player ends with status 1: its X server went away\n"
        : "zepril.system: the player ends with status 1: a library ended the process (the X server may have gone away)\n";
    char buffer[160] = "<3>";
    const int prefix = g_toJournal ? 3 : 0;
    Line out{buffer + prefix, buffer + sizeof buffer - 1};
    out.add(line);
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, buffer, size_t(out.at - buffer));
    std::_Exit(1);
}

}

int formatExitLine(char* buffer, int size, int signalNumber, RunPhase phase, qint64 sinceLastPingMs,
                   qint64 watchdogPeriodMs)
{
    Line line{buffer, buffer + size - 1};
    line.add("zepril.system: the player ends: ");
    const bool starved =
        signalNumber == SIGABRT && watchdogPeriodMs > 0 && sinceLastPingMs > watchdogPeriodMs / 2 + 1000;
    if (starved) {
        line.add("aborted by the service manager's watchdog: the UI thread sent no ping for ");
        line.add(sinceLastPingMs / 1000);
        line.add(" s");
    } else if (signalNumber == SIGABRT) {
        line.add("aborted (SIGABRT)");
    } else {
        line.add("crashed (");
        line.add(signalName(signalNumber));
        line.add(")");
    }
    line.add(phase == RunPhase::Starting ? " during the start-up\n" : " while the channel played\n");
    *line.at = '\0';
    return int(line.at - buffer);
}

void installExitReports(bool toJournal)
{
    g_toJournal = toJournal;
    g_previousHandler = qInstallMessageHandler(reportFatalMessage);
    for (const int signalNumber : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(signalNumber, onFatalSignal);
}

void endAtOnceOnUnplannedExit() { std::atexit(onUnplannedExit); }

void notePlannedExit() { g_plannedExit.store(true); }

void setRunPhase(RunPhase phase) { g_phase.store(int(phase)); }
void noteWatchdogPeriod(qint64 periodMs) { g_watchdogPeriodMs.store(periodMs); }
void noteWatchdogPing() { g_lastPingMs.store(monotonicMs()); }

}
