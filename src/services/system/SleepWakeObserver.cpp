#include "services/system/SleepWakeObserver.h"

#include "runtime/Runtime.h"
#include "services/system/SessionEventSource.h"

#include <algorithm>

namespace stirwell {

SleepWakeObserver::SleepWakeObserver(Runtime &runtime, SessionEventSource &source)
    : m_runtime(runtime)
    , m_source(source)
{
}

SleepWakeObserver::~SleepWakeObserver()
{
    QObject::disconnect(m_sleepConnection);
    QObject::disconnect(m_lockConnection);
}

void SleepWakeObserver::start()
{
    if (m_started)
        return;
    m_started = true;
    m_sleepConnection = QObject::connect(&m_source, &SessionEventSource::sleepPrepared,
                                         [this](bool goingToSleep) { handleSleep(goingToSleep); });
    m_lockConnection = QObject::connect(&m_source, &SessionEventSource::lockReported,
                                        [this](const QString &origin, bool locked) { handleLock(origin, locked); });
    m_source.start();
}

void SleepWakeObserver::stop()
{
    if (!m_started)
        return;
    m_started = false;
    QObject::disconnect(m_sleepConnection);
    QObject::disconnect(m_lockConnection);
    m_lockDebounce.cancel();
    m_source.stop();
    // A later start() learns the lock afresh from the reporters.
    m_lockByOrigin.clear();
}

void SleepWakeObserver::handleSleep(bool goingToSleep)
{
    if (goingToSleep == m_asleep)
        return;
    if (goingToSleep && m_lockDebounce.isActive()) {
        // The desktop locks just before the machine sleeps; tell the lock
        // first rather than after the wake.
        m_lockDebounce.cancel();
        deliverLockLevel();
    }
    m_asleep = goingToSleep;
    call(goingToSleep ? onSleep : onWake);
}

void SleepWakeObserver::handleLock(const QString &origin, bool locked)
{
    m_lockByOrigin.insert(origin, locked);
    if (lockLevel() == m_reportedLocked) {
        m_lockDebounce.cancel();
        return;
    }
    if (!m_lockDebounce.isActive())
        m_lockDebounce = m_runtime.after(kLockDebounceSeconds, [this] { deliverLockLevel(); });
}

bool SleepWakeObserver::lockLevel() const
{
    return std::any_of(m_lockByOrigin.cbegin(), m_lockByOrigin.cend(), [](bool locked) { return locked; });
}

void SleepWakeObserver::deliverLockLevel()
{
    const bool locked = lockLevel();
    if (locked == m_reportedLocked)
        return;
    m_reportedLocked = locked;
    call(locked ? onScreensLocked : onScreensUnlocked);
}

void SleepWakeObserver::call(const std::function<void()> &callback)
{
    // A copy, so that a callback may replace itself while it runs.
    if (const std::function<void()> copy = callback)
        copy();
}

} // namespace stirwell
