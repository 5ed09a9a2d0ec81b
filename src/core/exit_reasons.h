#pragma once
// Why the player ends, one clear line in the journal for each way it knows: a crash
// (a fatal signal), an abort (among them the service manager's watchdog, which sends
// SIGABRT to a player whose UI thread stopped pinging), and a fatal Qt error such as no
// X display. The service manager only records a signal number or an exit status; the
// technician reading the journal gets the reason and what the player was doing.
#include <QtGlobal>

namespace zepril {

enum class RunPhase { Starting, Playing };

// Installs the fatal-signal handlers and the fatal-message report; once, in main().
// The lines start with a journal priority when toJournal holds.
void installExitReports(bool toJournal);

// From here on, an exit() the player did not ask for ends the process at once with
// status 1 and a line saying why. Libraries call exit() when the X server goes away
// (Xlib's default I/O error handler, Qt's X connection); exit() would then run the
// destructors while the video threads still use what they free, and the player would
// crash instead of ending. Called once the player's windows exist.
void endAtOnceOnUnplannedExit();
// The player's own end through exit(), with its status.
void notePlannedExit();

// What the player does now, named in the crash line. Safe from any thread.
void setRunPhase(RunPhase phase);

// The watchdog period and each ping, so that an abort can say whether the watchdog was
// starved when it came.
void noteWatchdogPeriod(qint64 periodMs);
void noteWatchdogPing();

// The crash line for a signal, as the handler writes it (without the priority prefix).
// Only async-signal-safe work: fixed texts and digits into the caller's buffer.
int formatExitLine(char* buffer, int size, int signalNumber, RunPhase phase, qint64 sinceLastPingMs,
                   qint64 watchdogPeriodMs);

}
