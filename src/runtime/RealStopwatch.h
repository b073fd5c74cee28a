#pragma once

#include <QElapsedTimer>

namespace stirwell {

// Real, unscaled time since construction on the system's monotonic clock
// (CLOCK_MONOTONIC), for diagnostics that are measured from outside the
// process: it ignores the time scale and must never drive behaviour.
class RealStopwatch {
public:
    RealStopwatch() { m_clock.start(); }

    [[nodiscard]] double elapsedMilliseconds() const { return static_cast<double>(m_clock.nsecsElapsed()) / 1e6; }
    // The moment of construction on CLOCK_MONOTONIC, in milliseconds, so
    // that a tool on the same clock can relate its own readings.
    [[nodiscard]] qint64 originMilliseconds() const { return m_clock.msecsSinceReference(); }

private:
    QElapsedTimer m_clock;
};

} // namespace stirwell
