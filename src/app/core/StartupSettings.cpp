#include "app/core/StartupSettings.h"

#include "runtime/Runtime.h"
#include "services/engine/BreakScheduler.h"
#include "services/habits/DailyCommitment.h"
#include "services/storage/PreferencesStore.h"

#include <algorithm>
#include <limits>

namespace stirwell {

namespace {
int storedInt(const PreferencesStore &preferences, const QString &key, int absent)
{
    const auto value = preferences.intValue(key);
    if (!value)
        return absent;
    return static_cast<int>(std::clamp<qint64>(*value, std::numeric_limits<int>::min(),
                                               std::numeric_limits<int>::max()));
}
} // namespace

MicroBreakSettings storedMicroBreakSettings(const PreferencesStore &preferences)
{
    MicroBreakSettings settings;
    settings.enabled = preferences.boolValue(QStringLiteral("enableMicroBreaks")).value_or(true);
    const int interval = storedInt(preferences, QStringLiteral("microBreakIntervalMinutes"), 0);
    settings.intervalMinutes = interval < 1 ? 20 : interval;
    return settings;
}

QuietHoursConfig storedQuietHours(const PreferencesStore &preferences)
{
    QuietHoursConfig config;
    config.enabled = preferences.boolValue(QStringLiteral("quietHoursEnabled")).value_or(false);
    config.startHour = storedInt(preferences, QStringLiteral("quietHoursStartHour"), 22);
    config.endHour = storedInt(preferences, QStringLiteral("quietHoursEndHour"), 7);
    return config;
}

void applyStoredSettingsAndStart(const PreferencesStore &preferences, const Runtime &runtime,
                                 BreakScheduler &scheduler, const MicroBreakControl &microBreaks)
{
    const int interval = storedInt(preferences, QStringLiteral("intervalMinutes"), 0);
    if (interval > 0) {
        const int breakLength = storedInt(preferences, QStringLiteral("breakDurationSeconds"), 0);
        scheduler.applySettings(interval, breakLength < 1 ? 180 : breakLength);
    }

    if (const auto commitment = DailyCommitment::loadToday(preferences, runtime))
        scheduler.configure(commitment->mode);

    const MicroBreakSettings micro = storedMicroBreakSettings(preferences);
    if (microBreaks.configure)
        microBreaks.configure(micro.enabled, micro.intervalMinutes);

    scheduler.applyQuietHours(storedQuietHours(preferences));
    scheduler.start();
    if (microBreaks.start)
        microBreaks.start();
}

} // namespace stirwell
