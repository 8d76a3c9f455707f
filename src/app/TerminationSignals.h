#pragma once

#include <QObject>

class QSocketNotifier;

namespace voltmere {

// Turns SIGTERM, SIGINT and SIGHUP into a normal application quit, so
// termination by signal runs the same path as Quit (and so the history is
// flushed), and ignores SIGPIPE.
// A signal handler may only write to a pipe; the notifier reads it on the
// main thread and quits the event loop there.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers once per process; later calls return the same object.
    static TerminationSignals &install();

Q_SIGNALS:
    void received(int signalNumber);

private:
    TerminationSignals();
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace voltmere
