#pragma once

#include "models/QuietHoursConfig.h"

#include <functional>

namespace stirwell {

class BreakScheduler;
class PreferencesStore;
class Runtime;

// What the eye-break cadence offers the start-up sequence; empty functions
// are skipped (the cadence may not exist, as in the day simulator).
struct MicroBreakControl {
    std::function<void(bool enabled, int intervalMinutes)> configure;
    std::function<void()> start;
};

// The eye-break settings as stored: enabled unless "enableMicroBreaks" holds
// false; the interval "microBreakIntervalMinutes", 20 when below 1 or absent.
struct MicroBreakSettings {
    bool enabled = true;
    int intervalMinutes = 20;
};
[[nodiscard]] MicroBreakSettings storedMicroBreakSettings(const PreferencesStore &preferences);

// Quiet hours as stored: "quietHoursEnabled" (false when absent), start
// "quietHoursStartHour" (22) and end "quietHoursEndHour" (7).
[[nodiscard]] QuietHoursConfig storedQuietHours(const PreferencesStore &preferences);

// The start of a day's work once onboarding is complete, shared by the
// application and the day simulator: the stored interval and break length,
// today's commitment, the eye-break settings and quiet hours are applied,
// then the scheduler and the eye-break cadence start. A preference of the
// wrong type counts as absent.
void applyStoredSettingsAndStart(const PreferencesStore &preferences, const Runtime &runtime,
                                 BreakScheduler &scheduler, const MicroBreakControl &microBreaks);

} // namespace stirwell
