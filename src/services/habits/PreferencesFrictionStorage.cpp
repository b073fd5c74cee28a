#include "services/habits/PreferencesFrictionStorage.h"

#include "services/habits/StoredInt.h"
#include "services/storage/PreferencesStore.h"

namespace stirwell {

PreferencesFrictionStorage::PreferencesFrictionStorage(PreferencesStore &preferences)
    : m_preferences(preferences)
{
}

FrictionState PreferencesFrictionStorage::loadFriction() const
{
    return {storedInt(m_preferences, kCountKey), m_preferences.stringValue(kDateKey).value_or(QString())};
}

void PreferencesFrictionStorage::saveFriction(const FrictionState &state)
{
    m_preferences.setInt(kCountKey, state.count);
    m_preferences.setString(kDateKey, state.date);
}

} // namespace stirwell
