#pragma once

#include "models/SkipTier.h"
#include "runtime/LocalCalendar.h"
#include "services/observability/AnalyticsSink.h"
#include "services/ports/BreakHistory.h"
#include "services/ports/BreakNotifications.h"
#include "services/ports/DashboardUploader.h"
#include "services/ports/SkipPolicy.h"
#include "services/ports/SnoozeAllowance.h"
#include "services/ports/SoundCues.h"

#include <QStringList>

#include <algorithm>
#include <map>
#include <vector>

// In-memory stand-ins for the engine's collaborators. They keep the day's
// counts the way the real services do, without the day change or storage.
namespace stirwell::test {

class FakeSnoozeBudget final : public SnoozeAllowance {
public:
    void configure(CommitmentMode mode) override
    {
        ++configureCalls;
        max = maxSnoozesPerDay(mode);
        used = std::min(used, max);
    }
    bool canSnooze() override { return snoozesRemaining() > 0; }
    int snoozesRemaining() override { return max - used; }
    int maxSnoozes() override { return max; }
    int useSnooze() override
    {
        if (used < max)
            ++used;
        return snoozesRemaining();
    }
    void regenerate() override
    {
        ++regenerations;
        used = std::max(0, used - 1);
    }

    int max = maxSnoozesPerDay(CommitmentMode::normal);
    int used = 0;
    int configureCalls = 0;
    int regenerations = 0;
};

class FakeSkipFriction final : public SkipPolicy {
public:
    SkipTier currentTier() override { return skipTierForSkipCount(skipsToday); }
    bool canSkip() override { return stirwell::canSkip(currentTier()); }
    std::optional<QString> getTypingChallenge() override { return typingChallenge(currentTier()); }
    bool validateChallenge(const QString &input) override { return input == getTypingChallenge().value_or(input); }
    SkipTier recordSkip() override
    {
        ++skipsToday;
        return currentTier();
    }

    int skipsToday = 0;
};

// Today's record only; enough for the engine, which never looks further back
// than the forwarders.
class MemoryBreakHistory final : public BreakHistory {
public:
    void recordCompletion(CommitmentMode mode, BreakType breakType) override
    {
        DailyRecord &r = today(mode);
        ++r.sessionsCompleted;
        ++r.sessionsDue;
        if (breakType == BreakType::exerciseSnack)
            ++r.exerciseSnacksCompleted;
        if (breakType == BreakType::extended)
            ++r.extendedBreaksCompleted;
        completedTypes.push_back(breakType);
    }
    void recordSkip(CommitmentMode mode) override
    {
        ++today(mode).sessionsSkipped;
        ++today(mode).sessionsDue;
    }
    void recordEmergencyBypass(CommitmentMode mode) override
    {
        DailyRecord &r = today(mode);
        ++r.sessionsSkipped;
        ++r.sessionsDue;
        ++r.emergencyBypasses;
    }
    void recordSnooze(CommitmentMode mode) override { ++today(mode).snoozesUsed; }
    void recordNaturalBreak(CommitmentMode mode) override { ++today(mode).naturalBreaksDetected; }

    DailyRecord todayRecord(CommitmentMode mode) override { return today(mode); }
    int todayCompletedCount(CommitmentMode mode) override { return today(mode).sessionsCompleted; }
    int todayDueCount(CommitmentMode mode) override { return today(mode).sessionsDue; }
    int currentStreak() override { return streak; }
    bool streakAtRisk(CommitmentMode mode) override { return !today(mode).streakContinues(); }
    QList<DailyRecord> dailyRecords(int days) override
    {
        return record ? QList<DailyRecord>{*record}.mid(0, std::max(0, days)) : QList<DailyRecord>{};
    }
    WeeklyStats weeklyStats() override
    {
        return record ? WeeklyStats{record->sessionsCompleted, record->sessionsSkipped, record->complianceRate()}
                      : WeeklyStats{};
    }

    std::optional<DailyRecord> record;
    std::vector<BreakType> completedTypes;
    int streak = 0;

private:
    DailyRecord &today(CommitmentMode mode)
    {
        if (!record)
            record = DailyRecord::empty(QStringLiteral("2025-03-10"), mode);
        return *record;
    }
};

class RecordingSounds final : public SoundCues {
public:
    void playNudge() override { cues << QStringLiteral("nudge"); }
    void playBreakStart() override { cues << QStringLiteral("breakStart"); }
    void playBreakComplete() override { cues << QStringLiteral("breakComplete"); }
    void playStreakLost() override { cues << QStringLiteral("streakLost"); }
    QStringList cues;
};

class RecordingNotifications final : public BreakNotifications {
public:
    void sendBreakReminder(BreakType) override { ++others; }
    void sendMicroBreakNudge() override { ++others; }
    void sendWalkingMeetingSuggestion(const QString &) override { ++others; }
    void sendWindDownNudgeIfNeeded() override { ++others; }
    void sendNaturalBreakDetected(int awayMinutes) override { naturalBreakMinutes.push_back(awayMinutes); }
    std::vector<int> naturalBreakMinutes;
    int others = 0;
};

class RecordingDashboard final : public DashboardUploader {
public:
    void syncToday(const DailyRecord &record, int microBreaks) override
    {
        uploads.push_back(record);
        lastMicroBreaks = microBreaks;
    }
    std::vector<DailyRecord> uploads;
    int lastMicroBreaks = -1;
};

struct TrackedEvent {
    AnalyticsEvent event;
    AnalyticsProperties properties;
};

class RecordingAnalytics final : public AnalyticsSink {
public:
    void track(AnalyticsEvent event, const AnalyticsProperties &properties) override
    {
        ++counts[event];
        if (keepEvents)
            events.push_back({event, properties});
    }
    void setDiagnosticContext(const AnalyticsProperties &) override {}

    [[nodiscard]] std::vector<TrackedEvent> named(AnalyticsEvent event) const
    {
        std::vector<TrackedEvent> out;
        std::copy_if(events.begin(), events.end(), std::back_inserter(out),
                     [event](const TrackedEvent &e) { return e.event == event; });
        return out;
    }
    [[nodiscard]] int count(AnalyticsEvent event) const
    {
        const auto it = counts.find(event);
        return it == counts.end() ? 0 : it->second;
    }

    bool keepEvents = true;
    std::vector<TrackedEvent> events;
    std::map<AnalyticsEvent, int> counts;
};

} // namespace stirwell::test
