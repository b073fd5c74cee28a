#include "app/shell/TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace stirwell {

namespace {
sigset_t terminationSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}
} // namespace

void TerminationSignals::block()
{
    const sigset_t set = terminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    const sigset_t set = terminationSet();
    m_fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info{};
        while (read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            emit terminationRequested(static_cast<int>(info.ssi_signo));
    });
}

TerminationSignals::~TerminationSignals()
{
    delete m_notifier;
    if (m_fd >= 0)
        close(m_fd);
}

} // namespace stirwell
