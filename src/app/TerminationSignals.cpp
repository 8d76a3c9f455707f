#include "app/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace voltmere {

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void forwardSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Nothing useful can be done about a full pipe inside a handler; one
    // pending byte is enough to quit anyway.
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

TerminationSignals &TerminationSignals::install()
{
    static TerminationSignals *instance = new TerminationSignals;
    return *instance;
}

TerminationSignals::TerminationSignals()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);

    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    // A session scope ends with SIGTERM followed by SIGHUP, and closing the
    // terminal that started the program sends SIGHUP alone.
    sigaction(SIGHUP, &action, nullptr);

    // Standard error may be a pipe whose reader has gone (a closed terminal,
    // a log collector that stopped); a log line must not end the program.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

void TerminationSignals::readPipe()
{
    unsigned char byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1) {
        Q_EMIT received(byte);
    }
    QCoreApplication::quit();
}

} // namespace voltmere
