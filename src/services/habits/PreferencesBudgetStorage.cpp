#include "services/habits/PreferencesBudgetStorage.h"

#include "services/habits/StoredInt.h"
#include "services/storage/PreferencesStore.h"

namespace stirwell {

PreferencesBudgetStorage::PreferencesBudgetStorage(PreferencesStore &preferences)
    : m_preferences(preferences)
{
}

BudgetState PreferencesBudgetStorage::loadBudget() const
{
    return {storedInt(m_preferences, kRemainingKey), m_preferences.stringValue(kDateKey).value_or(QString()),
            storedInt(m_preferences, kMaxKey)};
}

void PreferencesBudgetStorage::saveBudget(const BudgetState &state)
{
    m_preferences.setInt(kRemainingKey, state.remaining);
    m_preferences.setString(kDateKey, state.date);
    m_preferences.setInt(kMaxKey, state.max);
}

} // namespace stirwell
