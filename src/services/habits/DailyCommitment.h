#pragma once

#include "models/CommitmentMode.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace stirwell {

class PreferencesStore;
class Runtime;

// The mode the user committed to for one UTC day, locked until an hour of
// the local day. One commitment is stored at a time, as JSON bytes under
// the preference "dailyCommitment"; a new one replaces it.
struct DailyCommitment {
    static inline const QString kPreferenceKey = QStringLiteral("dailyCommitment");
    // The hour a new commitment locks until; 0 or missing means 18.
    static inline const QString kLockUntilHourKey = QStringLiteral("lockUntilHour");
    static constexpr int kDefaultLockUntilHour = 18;

    CommitmentMode mode = CommitmentMode::normal;
    // UTC day key, "yyyy-MM-dd".
    QString date;
    // Local hour of the day (0-23) until which the commitment is locked.
    int lockedUntilHour = kDefaultLockUntilHour;
    // When it was made, seconds since the Unix epoch.
    double committedAt = 0;

    // Today's commitment, locked until the local hour reaches
    // `lockedUntilHour`. A commitment of another UTC day is never locked.
    [[nodiscard]] bool isLocked(const Runtime &runtime) const;

    // JSON with "mode", "date", "lockedUntilHour" and "committedAt" (seconds
    // since 2001-01-01 00:00:00 UTC, with fraction).
    [[nodiscard]] QByteArray encode() const;
    // Nothing unless all four keys are present with the right types and the
    // mode is known.
    [[nodiscard]] static std::optional<DailyCommitment> decode(const QByteArray &bytes);

    // The stored commitment; nothing when absent or undecodable.
    [[nodiscard]] static std::optional<DailyCommitment> load(const PreferencesStore &preferences);
    static void save(const DailyCommitment &commitment, PreferencesStore &preferences);
    // The stored commitment when it is for today's UTC day key.
    [[nodiscard]] static std::optional<DailyCommitment> loadToday(const PreferencesStore &preferences,
                                                                  const Runtime &runtime);
    [[nodiscard]] static QString todayString(const Runtime &runtime);
    // "lockUntilHour" from the preferences; 18 when missing, 0, or not an
    // hour of the day (a hand-edited value).
    [[nodiscard]] static int lockUntilHourPreference(const PreferencesStore &preferences);

    friend bool operator==(const DailyCommitment &, const DailyCommitment &) = default;
};

} // namespace stirwell
