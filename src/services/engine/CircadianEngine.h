#pragma once

#include "models/CircadianPeriod.h"

namespace stirwell {

class Runtime;

// Time-of-day factors for the work interval and the escalation delays. Holds
// no state: the period is read afresh from the runtime's wall clock and local
// calendar at every call, so a duration is adjusted for the moment it starts.
class CircadianEngine {
public:
    explicit CircadianEngine(const Runtime &runtime);

    [[nodiscard]] CircadianPeriod currentPeriod() const;
    // Seconds in, seconds out: multiplied by the period's interval factor
    // (2700 becomes 3510 early in the morning, 2025 after lunch).
    [[nodiscard]] double adjustInterval(double seconds) const;
    // Multiplied by the period's escalation factor (120 becomes 150 early in
    // the morning, 90 after lunch).
    [[nodiscard]] double adjustEscalation(double seconds) const;
    // True in the evening period.
    [[nodiscard]] bool shouldShowWindDown() const;

private:
    const Runtime &m_runtime;
};

} // namespace stirwell
