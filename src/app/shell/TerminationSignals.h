#pragma once

#include <QObject>

class QSocketNotifier;

namespace stirwell {

// SIGTERM, SIGINT and SIGHUP delivered through a signalfd to the event loop,
// so that a termination ends Stirwell through its ordinary shut-down, never
// in the middle of writing a file. block() must run before any thread starts.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Blocks the signals for this thread and every thread started later.
    static void block();

    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signal);

private:
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace stirwell
