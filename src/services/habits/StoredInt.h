#pragma once

#include "services/storage/PreferencesStore.h"

#include <algorithm>
#include <limits>

namespace stirwell {

// An integer preference as an int: missing or of another type reads as
// `fallback`; a hand-edited value beyond the int range is clamped into it.
[[nodiscard]] inline int storedInt(const PreferencesStore &preferences, const QString &key, int fallback = 0)
{
    const std::optional<qint64> value = preferences.intValue(key);
    if (!value)
        return fallback;
    return static_cast<int>(std::clamp<qint64>(*value, std::numeric_limits<int>::min(),
                                               std::numeric_limits<int>::max()));
}

} // namespace stirwell
