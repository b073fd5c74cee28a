#pragma once

#include "models/BreakType.h"
#include "models/CommitmentMode.h"
#include "models/DailyRecord.h"

#include <QList>

namespace stirwell {

struct WeeklyStats {
    int completed = 0;
    int skipped = 0;
    double avgCompliance = 1.0;
    friend bool operator==(const WeeklyStats &, const WeeklyStats &) = default;
};

// The per-day record of outcomes and what is derived from it. Implemented
// by StreakTracker. `mode` is the mode a new day's record starts with.
class BreakHistory {
public:
    virtual ~BreakHistory() = default;
    virtual void recordCompletion(CommitmentMode mode, BreakType breakType) = 0;
    virtual void recordSkip(CommitmentMode mode) = 0;
    virtual void recordEmergencyBypass(CommitmentMode mode) = 0;
    virtual void recordSnooze(CommitmentMode mode) = 0;
    virtual void recordNaturalBreak(CommitmentMode mode) = 0;

    [[nodiscard]] virtual DailyRecord todayRecord(CommitmentMode mode) = 0;
    [[nodiscard]] virtual int todayCompletedCount(CommitmentMode mode) = 0;
    [[nodiscard]] virtual int todayDueCount(CommitmentMode mode) = 0;
    [[nodiscard]] virtual int currentStreak() = 0;
    [[nodiscard]] virtual bool streakAtRisk(CommitmentMode mode) = 0;
    // The last `days` days including today, oldest first; missing days left out.
    [[nodiscard]] virtual QList<DailyRecord> dailyRecords(int days) = 0;
    [[nodiscard]] virtual WeeklyStats weeklyStats() = 0;
};

} // namespace stirwell
