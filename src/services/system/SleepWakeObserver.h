#pragma once

#include "runtime/Job.h"

#include <QMap>
#include <QMetaObject>
#include <QString>

#include <functional>

namespace stirwell {

class Runtime;
class SessionEventSource;

// Relays the machine's sleep and wake and the session's lock and unlock to
// four callbacks, on the main thread.
//
// Sleep and wake are reported once per transition. The lock is a level: the
// session counts as locked while any reporter says so, and a change of that
// level is reported once it has held for `kLockDebounceSeconds`, so the
// login manager and the screensavers telling the same lock (some twice) give
// one `onScreensLocked`, and a lock undone within the debounce gives nothing.
// A lock pending when the machine goes to sleep is reported before `onSleep`.
// Callbacks are read when an event is delivered; set them before `start()`.
class SleepWakeObserver {
public:
    static constexpr double kLockDebounceSeconds = 0.5;

    SleepWakeObserver(Runtime &runtime, SessionEventSource &source);
    ~SleepWakeObserver();
    SleepWakeObserver(const SleepWakeObserver &) = delete;
    SleepWakeObserver &operator=(const SleepWakeObserver &) = delete;

    std::function<void()> onSleep;
    std::function<void()> onWake;
    std::function<void()> onScreensLocked;
    std::function<void()> onScreensUnlocked;

    // Starts listening; a second start() while started changes nothing.
    void start();
    // Stops listening and drops a pending lock change; no callback runs
    // afterwards. Harmless when not started.
    void stop();

    [[nodiscard]] bool isStarted() const { return m_started; }
    // The lock level last reported through the callbacks.
    [[nodiscard]] bool isLocked() const { return m_reportedLocked; }
    [[nodiscard]] bool isAsleep() const { return m_asleep; }

private:
    void handleSleep(bool goingToSleep);
    void handleLock(const QString &origin, bool locked);
    [[nodiscard]] bool lockLevel() const;
    void deliverLockLevel();
    static void call(const std::function<void()> &callback);

    Runtime &m_runtime;
    SessionEventSource &m_source;
    QMetaObject::Connection m_sleepConnection;
    QMetaObject::Connection m_lockConnection;
    QMap<QString, bool> m_lockByOrigin;
    bool m_started = false;
    bool m_asleep = false;
    bool m_reportedLocked = false;
    Job m_lockDebounce;
};

} // namespace stirwell
