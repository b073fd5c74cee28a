#pragma once

#include "services/habits/BudgetStorage.h"

namespace stirwell {

class PreferencesStore;

// The triple in the user's preferences: integers "snoozeBudgetRemaining"
// and "snoozeBudgetMax", string "snoozeBudgetDate". A value of the wrong
// type reads as missing.
class PreferencesBudgetStorage final : public BudgetStorage {
public:
    static inline const QString kRemainingKey = QStringLiteral("snoozeBudgetRemaining");
    static inline const QString kDateKey = QStringLiteral("snoozeBudgetDate");
    static inline const QString kMaxKey = QStringLiteral("snoozeBudgetMax");

    // `preferences` must outlive this object.
    explicit PreferencesBudgetStorage(PreferencesStore &preferences);

    [[nodiscard]] BudgetState loadBudget() const override;
    void saveBudget(const BudgetState &state) override;

private:
    PreferencesStore &m_preferences;
};

} // namespace stirwell
