#pragma once

#include "models/BreakType.h"

#include <QString>

namespace stirwell {

// The desktop notifications Stirwell posts. Implemented by
// NotificationService; each call returns at once, and one with the same
// identifier as an earlier notification replaces it.
class BreakNotifications {
public:
    virtual ~BreakNotifications() = default;
    virtual void sendBreakReminder(BreakType breakType) = 0;
    virtual void sendMicroBreakNudge() = 0;
    virtual void sendWalkingMeetingSuggestion(const QString &eventTitle) = 0;
    // At most once per local day, in the evening period only.
    virtual void sendWindDownNudgeIfNeeded() = 0;
    virtual void sendNaturalBreakDetected(int awayMinutes) = 0;
};

} // namespace stirwell
