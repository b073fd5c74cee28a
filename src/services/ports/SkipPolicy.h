#pragma once

#include "models/SkipTier.h"

#include <QString>

#include <optional>

namespace stirwell {

// How hard skipping is today, as the break engine and the overlay see it.
// Implemented by SkipFriction; reads run the day check.
class SkipPolicy {
public:
    virtual ~SkipPolicy() = default;
    [[nodiscard]] virtual SkipTier currentTier() = 0;
    [[nodiscard]] virtual bool canSkip() = 0;
    // The phrase to type before a skip at the current tier, if any.
    [[nodiscard]] virtual std::optional<QString> getTypingChallenge() = 0;
    [[nodiscard]] virtual bool validateChallenge(const QString &input) = 0;
    // Counts one confirmed skip; returns the tier that now applies.
    virtual SkipTier recordSkip() = 0;
};

} // namespace stirwell
