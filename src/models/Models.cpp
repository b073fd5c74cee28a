#include "models/BreakState.h"
#include "models/BreakType.h"
#include "models/CircadianPeriod.h"
#include "models/CommitmentMode.h"
#include "models/PauseReason.h"
#include "models/SkipTier.h"
#include "models/StreakMilestone.h"

#include <QStringList>

#include <algorithm>

namespace stirwell {

namespace {
// Looks up the case whose raw value is `raw` among `all`.
template <typename E, std::size_t N>
std::optional<E> lookup(const std::array<E, N> &all, const QString &raw)
{
    for (E e : all)
        if (rawValue(e) == raw)
            return e;
    return std::nullopt;
}
} // namespace

// BreakState ----------------------------------------------------------------

QString rawValue(BreakState state)
{
    switch (state) {
    case BreakState::counting: return QStringLiteral("counting");
    case BreakState::due: return QStringLiteral("due");
    case BreakState::nudge: return QStringLiteral("nudge");
    case BreakState::softBlock: return QStringLiteral("softBlock");
    case BreakState::firmBlock: return QStringLiteral("firmBlock");
    case BreakState::hardBlock: return QStringLiteral("hardBlock");
    case BreakState::breakActive: return QStringLiteral("breakActive");
    case BreakState::completed: return QStringLiteral("completed");
    case BreakState::paused: return QStringLiteral("paused");
    }
    return {};
}

template <>
std::optional<BreakState> fromRawValue<BreakState>(const QString &raw)
{
    return lookup(kAllBreakStates, raw);
}

// BreakType -----------------------------------------------------------------

QString rawValue(BreakType type)
{
    switch (type) {
    case BreakType::micro: return QStringLiteral("micro");
    case BreakType::movement: return QStringLiteral("movement");
    case BreakType::exerciseSnack: return QStringLiteral("exerciseSnack");
    case BreakType::extended: return QStringLiteral("extended");
    }
    return {};
}

template <>
std::optional<BreakType> fromRawValue<BreakType>(const QString &raw)
{
    return lookup(kAllBreakTypes, raw);
}

QString label(BreakType type)
{
    switch (type) {
    case BreakType::micro: return QStringLiteral("Eye Break");
    case BreakType::movement: return QStringLiteral("Movement");
    case BreakType::exerciseSnack: return QStringLiteral("Exercise Snack");
    case BreakType::extended: return QStringLiteral("Extended Break");
    }
    return {};
}

QString icon(BreakType type)
{
    switch (type) {
    case BreakType::micro: return QStringLiteral("eye");
    case BreakType::movement: return QStringLiteral("figure.walk");
    case BreakType::exerciseSnack: return QStringLiteral("figure.highintensity.intervaltraining");
    case BreakType::extended: return QStringLiteral("figure.walk.motion");
    }
    return {};
}

QString breakDescription(BreakType type)
{
    switch (type) {
    case BreakType::micro: return QStringLiteral("Look at something 20 feet away");
    case BreakType::movement: return QStringLiteral("Stand up, stretch, and move around");
    case BreakType::exerciseSnack:
        return QStringLiteral("Quick vigorous movement \u2014 squats, stairs, or jumping jacks");
    case BreakType::extended: return QStringLiteral("Walk outside, hydrate, and reset");
    }
    return {};
}

int defaultDurationSeconds(BreakType type)
{
    switch (type) {
    case BreakType::micro: return 20;
    case BreakType::movement: return 180;
    case BreakType::exerciseSnack: return 180;
    case BreakType::extended: return 600;
    }
    return 180;
}

std::optional<int> defaultIntervalMinutes(BreakType type)
{
    switch (type) {
    case BreakType::exerciseSnack: return 90;
    case BreakType::extended: return 180;
    default: return std::nullopt;
    }
}

// CommitmentMode ------------------------------------------------------------

QString rawValue(CommitmentMode mode)
{
    switch (mode) {
    case CommitmentMode::gentle: return QStringLiteral("gentle");
    case CommitmentMode::normal: return QStringLiteral("normal");
    case CommitmentMode::warrior: return QStringLiteral("warrior");
    }
    return {};
}

template <>
std::optional<CommitmentMode> fromRawValue<CommitmentMode>(const QString &raw)
{
    return lookup(kAllCommitmentModes, raw);
}

QString label(CommitmentMode mode)
{
    switch (mode) {
    case CommitmentMode::gentle: return QStringLiteral("Gentle");
    case CommitmentMode::normal: return QStringLiteral("Normal");
    case CommitmentMode::warrior: return QStringLiteral("Warrior");
    }
    return {};
}

QString icon(CommitmentMode mode)
{
    switch (mode) {
    case CommitmentMode::gentle: return QStringLiteral("leaf");
    case CommitmentMode::normal: return QStringLiteral("figure.walk");
    case CommitmentMode::warrior: return QStringLiteral("flame");
    }
    return {};
}

int intervalMinutes(CommitmentMode mode)
{
    return mode == CommitmentMode::warrior ? 30 : 45;
}

int breakDurationSeconds(CommitmentMode mode)
{
    switch (mode) {
    case CommitmentMode::gentle: return 120;
    case CommitmentMode::normal: return 180;
    case CommitmentMode::warrior: return 300;
    }
    return 180;
}

int maxSnoozesPerDay(CommitmentMode mode)
{
    switch (mode) {
    case CommitmentMode::gentle: return 10;
    case CommitmentMode::normal: return 5;
    case CommitmentMode::warrior: return 2;
    }
    return 5;
}

int maxSkipsPerDay(CommitmentMode mode)
{
    // Any positive number permits skips; the skip tiers govern how many a
    // day can bear.
    return mode == CommitmentMode::warrior ? 0 : 5;
}

bool allowsManualPause(CommitmentMode mode)
{
    return mode != CommitmentMode::warrior;
}

QString description(CommitmentMode mode)
{
    QString middle;
    QString tail = QStringLiteral(" snoozes");
    switch (mode) {
    case CommitmentMode::gentle: middle = QStringLiteral(" min intervals, soft blocks, "); break;
    case CommitmentMode::normal: middle = QStringLiteral(" min intervals, firm blocks, "); break;
    case CommitmentMode::warrior:
        middle = QStringLiteral(" min intervals, hard blocks, ");
        tail = QStringLiteral(" snoozes, no skips");
        break;
    }
    return QString::number(intervalMinutes(mode)) + middle + QString::number(maxSnoozesPerDay(mode)) + tail;
}

QString onboardingDescription(CommitmentMode mode)
{
    QString middle;
    QString tail = QStringLiteral(" snoozes");
    switch (mode) {
    case CommitmentMode::gentle: middle = QStringLiteral(" min \u00b7 soft blocks \u00b7 "); break;
    case CommitmentMode::normal: middle = QStringLiteral(" min \u00b7 escalating blocks \u00b7 "); break;
    case CommitmentMode::warrior:
        middle = QStringLiteral(" min \u00b7 hard blocks \u00b7 ");
        tail = QStringLiteral(" snoozes \u00b7 no skips");
        break;
    }
    return QString::number(intervalMinutes(mode)) + middle + QString::number(maxSnoozesPerDay(mode)) + tail;
}

// SkipTier ------------------------------------------------------------------

QString reportedName(SkipTier tier)
{
    return QStringLiteral("tier_") + QString::number(rawValue(tier));
}

SkipTier skipTierForSkipCount(int count)
{
    switch (count) {
    case 0: return SkipTier::tier1;
    case 1: return SkipTier::tier2;
    case 2: return SkipTier::tier3;
    case 3: return SkipTier::tier4;
    default: return SkipTier::tier5;
    }
}

bool canSkip(SkipTier tier)
{
    return tier != SkipTier::tier5;
}

int waitSeconds(SkipTier tier)
{
    switch (tier) {
    case SkipTier::tier1: return 8;
    case SkipTier::tier2: return 12;
    case SkipTier::tier3: return 15;
    case SkipTier::tier4: return 20;
    case SkipTier::tier5: return 0;
    }
    return 0;
}

QString buttonLabel(SkipTier tier)
{
    switch (tier) {
    case SkipTier::tier1: return QStringLiteral("I choose to skip");
    case SkipTier::tier5: return QString();
    default: return QStringLiteral("Confirm skip");
    }
}

std::optional<QString> typingChallenge(SkipTier tier)
{
    switch (tier) {
    case SkipTier::tier2: return QStringLiteral("skip");
    case SkipTier::tier3: return QStringLiteral("I choose to sit instead of move");
    default: return std::nullopt;
    }
}

bool showStreakWarning(SkipTier tier)
{
    return tier == SkipTier::tier3 || tier == SkipTier::tier4;
}

bool breaksStreak(SkipTier tier)
{
    return tier == SkipTier::tier4;
}

// PauseReason ---------------------------------------------------------------

QString rawValue(PauseReason reason)
{
    switch (reason) {
    case PauseReason::meeting: return QStringLiteral("meeting");
    case PauseReason::systemSleep: return QStringLiteral("systemSleep");
    case PauseReason::screenLock: return QStringLiteral("screenLock");
    case PauseReason::quietHours: return QStringLiteral("quietHours");
    case PauseReason::manual: return QStringLiteral("manual");
    }
    return {};
}

template <>
std::optional<PauseReason> fromRawValue<PauseReason>(const QString &raw)
{
    return lookup(kAllPauseReasons, raw);
}

QString joinedRawValues(const std::set<PauseReason> &reasons)
{
    QStringList names;
    for (PauseReason r : reasons)
        names << rawValue(r);
    // Byte order of ASCII raw values: QString's operator< compares UTF-16
    // code units, which agree with bytes for ASCII.
    std::sort(names.begin(), names.end());
    return names.join(QLatin1Char(','));
}

// CircadianPeriod -----------------------------------------------------------

QString rawValue(CircadianPeriod period)
{
    switch (period) {
    case CircadianPeriod::earlyMorning: return QStringLiteral("earlyMorning");
    case CircadianPeriod::peakFocus: return QStringLiteral("peakFocus");
    case CircadianPeriod::postLunch: return QStringLiteral("postLunch");
    case CircadianPeriod::afternoon: return QStringLiteral("afternoon");
    case CircadianPeriod::evening: return QStringLiteral("evening");
    }
    return {};
}

template <>
std::optional<CircadianPeriod> fromRawValue<CircadianPeriod>(const QString &raw)
{
    return lookup(kAllCircadianPeriods, raw);
}

CircadianPeriod circadianPeriodForHour(int hour)
{
    if (hour >= 6 && hour <= 8)
        return CircadianPeriod::earlyMorning;
    if (hour >= 9 && hour <= 11)
        return CircadianPeriod::peakFocus;
    if (hour >= 12 && hour <= 14)
        return CircadianPeriod::postLunch;
    if (hour >= 15 && hour <= 17)
        return CircadianPeriod::afternoon;
    return CircadianPeriod::evening;
}

QString label(CircadianPeriod period)
{
    switch (period) {
    case CircadianPeriod::earlyMorning: return QStringLiteral("Early Morning");
    case CircadianPeriod::peakFocus: return QStringLiteral("Peak Focus");
    case CircadianPeriod::postLunch: return QStringLiteral("Post-Lunch");
    case CircadianPeriod::afternoon: return QStringLiteral("Afternoon");
    case CircadianPeriod::evening: return QStringLiteral("Evening");
    }
    return {};
}

double intervalMultiplier(CircadianPeriod period)
{
    switch (period) {
    case CircadianPeriod::earlyMorning: return 1.3;
    case CircadianPeriod::postLunch: return 0.75;
    case CircadianPeriod::evening: return 1.2;
    default: return 1.0;
    }
}

double escalationMultiplier(CircadianPeriod period)
{
    switch (period) {
    case CircadianPeriod::earlyMorning: return 1.25;
    case CircadianPeriod::postLunch: return 0.75;
    default: return 1.0;
    }
}

bool showWindDown(CircadianPeriod period)
{
    return period == CircadianPeriod::evening;
}

// StreakMilestone -----------------------------------------------------------

QString label(StreakMilestone milestone)
{
    switch (milestone) {
    case StreakMilestone::week: return QStringLiteral("1 week");
    case StreakMilestone::twoWeeks: return QStringLiteral("2 weeks");
    case StreakMilestone::month: return QStringLiteral("1 month");
    case StreakMilestone::twoMonths: return QStringLiteral("2 months");
    case StreakMilestone::hundred: return QStringLiteral("100 days");
    }
    return {};
}

QString menubarIcon(StreakMilestone milestone)
{
    switch (milestone) {
    case StreakMilestone::week: return QStringLiteral("figure.walk");
    case StreakMilestone::twoWeeks: return QStringLiteral("figure.run");
    case StreakMilestone::month: return QStringLiteral("figure.hiking");
    case StreakMilestone::twoMonths: return QStringLiteral("figure.martial.arts");
    case StreakMilestone::hundred: return QStringLiteral("trophy.fill");
    }
    return {};
}

std::optional<StreakMilestone> streakMilestoneForStreak(int streak)
{
    for (auto it = kAllStreakMilestones.rbegin(); it != kAllStreakMilestones.rend(); ++it)
        if (days(*it) <= streak)
            return *it;
    return std::nullopt;
}

} // namespace stirwell
