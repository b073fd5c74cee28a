#pragma once

#include "services/habits/FrictionStorage.h"
#include "services/habits/GuardedValue.h"

namespace stirwell {

// Keeps the pair in memory only; safe to use from several threads.
class InMemoryFrictionStorage final : public FrictionStorage, private GuardedValue<FrictionState> {
public:
    using GuardedValue::GuardedValue;
    using GuardedValue::saveCount;

    [[nodiscard]] FrictionState loadFriction() const override { return load(); }
    void saveFriction(const FrictionState &state) override { store(state); }
};

} // namespace stirwell
