#pragma once

#include "services/habits/FrictionStorage.h"

namespace stirwell {

class PreferencesStore;

// The pair in the user's preferences: integer "skipFrictionCount" and
// string "skipFrictionDate". A value of the wrong type reads as missing.
class PreferencesFrictionStorage final : public FrictionStorage {
public:
    static inline const QString kCountKey = QStringLiteral("skipFrictionCount");
    static inline const QString kDateKey = QStringLiteral("skipFrictionDate");

    // `preferences` must outlive this object.
    explicit PreferencesFrictionStorage(PreferencesStore &preferences);

    [[nodiscard]] FrictionState loadFriction() const override;
    void saveFriction(const FrictionState &state) override;

private:
    PreferencesStore &m_preferences;
};

} // namespace stirwell
