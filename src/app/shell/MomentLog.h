#pragma once

#include "runtime/RealStopwatch.h"

#include <QString>

namespace stirwell {

// Diagnostic moments (tray ready, state changes, the first frame of each
// break screen) printed on standard output with the milliseconds since the
// process reached main(), so that start-up and break latency can be measured
// from outside. Off by default; when off, `print` returns at once.
//
// The stamps are real milliseconds whatever time scale the runtime runs at,
// and they never influence behaviour.
class MomentLog {
public:
    // The clock starts at construction: create it first thing in main().
    MomentLog() = default;

    void setEnabled(bool enabled) { m_enabled = enabled; }
    [[nodiscard]] bool isEnabled() const { return m_enabled; }

    // "<text> [t=<ms> ms]" on standard output, flushed at once.
    void print(const QString &text) const;
    // Prints where the stamps count from: the system's monotonic clock
    // (CLOCK_MONOTONIC) in milliseconds at main(), so that an outside tool on
    // the same clock can add the time before main().
    void printOrigin() const;

private:
    RealStopwatch m_clock;
    bool m_enabled = false;
};

} // namespace stirwell
