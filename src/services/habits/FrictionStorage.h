#pragma once

#include <QString>

namespace stirwell {

// The skip count of one day, as persisted between runs.
struct FrictionState {
    int count = 0;
    // The UTC day key the count belongs to; empty when nothing was saved.
    QString date;
    friend bool operator==(const FrictionState &, const FrictionState &) = default;
};

// Where SkipFriction keeps its (count, day) pair. Loading never fails: a
// missing or unreadable pair reads as (0, "").
class FrictionStorage {
public:
    virtual ~FrictionStorage() = default;
    [[nodiscard]] virtual FrictionState loadFriction() const = 0;
    virtual void saveFriction(const FrictionState &state) = 0;
};

} // namespace stirwell
