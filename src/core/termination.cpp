#include "core/termination.h"

#include "core/logging.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace zepril {

namespace {

int g_sockets[2] = {-1, -1};

// Runs on whatever thread the kernel picks, between any two instructions: only
// async-signal-safe calls, and errno left as it was found.
extern "C" void onTerminationSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_sockets[0], &byte, 1);
    errno = savedErrno;
}

void setAction(int signalNumber, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signalNumber, &action, nullptr);
}

}

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_sockets) != 0) {
        qCWarning(lcSystem) << "no socket pair for the stop signals: SIGTERM and SIGINT keep their default action";
        return;
    }
    m_notifier = new QSocketNotifier(qintptr(g_sockets[1]), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationWatcher::readSignal);
    setAction(SIGTERM, onTerminationSignal);
    setAction(SIGINT, onTerminationSignal);
}

TerminationWatcher::~TerminationWatcher()
{
    if (!m_notifier)
        return;
    setAction(SIGTERM, SIG_DFL);
    setAction(SIGINT, SIG_DFL);
    delete m_notifier;
    ::close(g_sockets[0]);
    ::close(g_sockets[1]);
    g_sockets[0] = g_sockets[1] = -1;
}

void TerminationWatcher::readSignal()
{
    unsigned char byte = 0;
    if (::read(g_sockets[1], &byte, 1) == 1)
        emit terminationRequested(int(byte));
}

}
