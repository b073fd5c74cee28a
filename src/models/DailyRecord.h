#pragma once

#include "models/CommitmentMode.h"

#include <QString>

namespace stirwell {

// One day's break counters, keyed by the UTC day key "yyyy-MM-dd".
struct DailyRecord {
    QString date;
    int sessionsCompleted = 0;
    // Skips, emergency bypasses included.
    int sessionsSkipped = 0;
    // Breaks that came due and were resolved (completed, skipped, bypassed).
    int sessionsDue = 0;
    int emergencyBypasses = 0;
    // The mode in force when the record was created; not updated afterwards.
    CommitmentMode mode = CommitmentMode::normal;
    int microBreaksCompleted = 0;
    int exerciseSnacksCompleted = 0;
    int extendedBreaksCompleted = 0;
    int snoozesUsed = 0;
    int naturalBreaksDetected = 0;

    [[nodiscard]] static DailyRecord empty(const QString &date, CommitmentMode mode)
    {
        DailyRecord record;
        record.date = date;
        record.mode = mode;
        return record;
    }

    // completed / due, or 1.0 on a day with nothing due.
    [[nodiscard]] double complianceRate() const
    {
        return sessionsDue > 0 ? static_cast<double>(sessionsCompleted) / sessionsDue : 1.0;
    }
    // The day counts toward a streak: at least 70 % of its due breaks done.
    [[nodiscard]] bool streakContinues() const { return complianceRate() >= 0.7; }

    friend bool operator==(const DailyRecord &, const DailyRecord &) = default;
};

} // namespace stirwell
