#include "runtime/SystemRuntime.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace stirwell {

SystemRuntime::SystemRuntime(double timeScale, LocalCalendar calendar, QObject *parent)
    : QObject(parent)
    , m_timeScale(timeScale > 0 ? timeScale : 1.0)
    , m_calendar(std::move(calendar))
    , m_wallAtStart(QDateTime::currentMSecsSinceEpoch() / 1000.0)
{
    m_elapsed.start();
    m_timer.setSingleShot(true);
    // Coarse timers let the kernel batch our once-a-second wake-ups with
    // others; a 1 s step may land up to 50 ms late, which nothing here minds.
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SystemRuntime::runDue);
    m_queue.onChanged = [this] { rearm(); };
}

double SystemRuntime::now() const
{
    const double realNow = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    if (m_timeScale == 1.0)
        return realNow;
    return m_wallAtStart + (realNow - m_wallAtStart) * m_timeScale;
}

double SystemRuntime::monotonic() const
{
    return m_elapsed.nsecsElapsed() / 1e9 * m_timeScale;
}

void SystemRuntime::rearm()
{
    const auto due = m_queue.coalescedWakeTime();
    if (!due) {
        m_timer.stop();
        return;
    }
    const double realDelay = std::max(0.0, (*due - monotonic()) / m_timeScale);
    const auto ms = static_cast<int>(std::min(std::ceil(realDelay * 1000.0), 2.0e9));
    m_timer.setTimerType(ms < 1000 ? Qt::PreciseTimer : Qt::CoarseTimer);
    m_timer.start(ms);
}

void SystemRuntime::runDue()
{
    // onChanged re-arms after every job; suspend that until the batch is done.
    m_queue.onChanged = nullptr;
    while (m_queue.runNext(monotonic())) {
    }
    m_queue.onChanged = [this] { rearm(); };
    rearm();
}

} // namespace stirwell
