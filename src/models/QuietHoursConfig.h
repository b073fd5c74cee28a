#pragma once

namespace stirwell {

// A daily window, in local hours, in which breaks are suspended.
struct QuietHoursConfig {
    bool enabled = false;
    int startHour = 22;
    int endHour = 7;

    // Whether a moment whose local hour is `hour` falls inside the window.
    // A disabled window, an hour outside 0...23 or an empty window (start
    // equal to end) contains nothing; start > end crosses midnight.
    [[nodiscard]] constexpr bool containsHour(int hour) const
    {
        if (!enabled || startHour < 0 || startHour > 23 || endHour < 0 || endHour > 23 || startHour == endHour)
            return false;
        if (startHour < endHour)
            return hour >= startHour && hour < endHour;
        return hour >= startHour || hour < endHour;
    }

    friend constexpr bool operator==(const QuietHoursConfig &, const QuietHoursConfig &) = default;
};

} // namespace stirwell
