#pragma once

#include "models/CommitmentMode.h"

namespace stirwell {

// The day's snooze allowance, as the break engine sees it. Implemented by
// SnoozeBudget; reads run the day check (a new day refills the allowance).
class SnoozeAllowance {
public:
    virtual ~SnoozeAllowance() = default;
    virtual void configure(CommitmentMode mode) = 0;
    [[nodiscard]] virtual bool canSnooze() = 0;
    [[nodiscard]] virtual int snoozesRemaining() = 0;
    [[nodiscard]] virtual int maxSnoozes() = 0;
    // Spends one snooze if any is left; returns what remains afterwards.
    virtual int useSnooze() = 0;
    // Gives one snooze back, up to the maximum.
    virtual void regenerate() = 0;
};

} // namespace stirwell
