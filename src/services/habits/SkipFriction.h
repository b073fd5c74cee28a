#pragma once

#include "services/habits/FrictionStorage.h"
#include "services/habits/HealthFacts.h"
#include "services/ports/SkipPolicy.h"

namespace stirwell {

class Runtime;

// Counts the skips of the current day and makes each next skip harder.
//
// The day is the UTC date of the runtime's clock ("yyyy-MM-dd"): the count
// starts again from zero at midnight UTC. The pair (count, day) is written
// through `storage` whenever it changes, so it survives restarts. At the
// fourth tier the phrase to type is a health fact, chosen the first time it
// is needed on a day and kept for the rest of that day (not persisted).
// Runs on the thread that owns the runtime.
class SkipFriction final : public SkipPolicy {
public:
    // `runtime` and `storage` must outlive this object. Loads the saved pair;
    // a pair of another day is replaced at once by (0, today).
    SkipFriction(const Runtime &runtime, FrictionStorage &storage, HealthFacts healthFacts);

    [[nodiscard]] SkipTier currentTier() override;
    [[nodiscard]] bool canSkip() override;
    [[nodiscard]] std::optional<QString> getTypingChallenge() override;
    // Trimmed, case-insensitive comparison with the current challenge; any
    // input passes when no typing is required.
    [[nodiscard]] bool validateChallenge(const QString &input) override;
    SkipTier recordSkip() override;

    // Today's count after the day check.
    [[nodiscard]] int dailySkipCount();

private:
    [[nodiscard]] QString todayKey() const;
    void checkDay();

    const Runtime &m_runtime;
    FrictionStorage &m_storage;
    HealthFacts m_healthFacts;
    int m_dailySkipCount = 0;
    QString m_dailyDate;
    QString m_currentHealthFact;
};

} // namespace stirwell
