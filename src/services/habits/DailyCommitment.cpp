#include "services/habits/DailyCommitment.h"

#include "runtime/Runtime.h"
#include "services/storage/PreferencesStore.h"
#include "services/storage/JsonDocument.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace stirwell {

bool DailyCommitment::isLocked(const Runtime &runtime) const
{
    return date == todayString(runtime) && runtime.calendar().hourOfDay(runtime.now()) < lockedUntilHour;
}

QByteArray DailyCommitment::encode() const
{
    QJsonObject object;
    object.insert(QLatin1String("mode"), rawValue(mode));
    object.insert(QLatin1String("date"), date);
    object.insert(QLatin1String("lockedUntilHour"), lockedUntilHour);
    object.insert(QLatin1String("committedAt"), committedAt - kReferenceDateOffset);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<DailyCommitment> DailyCommitment::decode(const QByteArray &bytes)
{
    const std::optional<QJsonObject> parsed = parseJsonObject(bytes);
    if (!parsed)
        return std::nullopt;
    const QJsonObject &object = *parsed;
    const QJsonValue mode = object.value(QLatin1String("mode"));
    const QJsonValue date = object.value(QLatin1String("date"));
    const QJsonValue hour = object.value(QLatin1String("lockedUntilHour"));
    const QJsonValue committedAt = object.value(QLatin1String("committedAt"));
    if (!mode.isString() || !date.isString() || !hour.isDouble() || !committedAt.isDouble())
        return std::nullopt;
    const std::optional<CommitmentMode> parsedMode = fromRawValue<CommitmentMode>(mode.toString());
    const double hourNumber = hour.toDouble();
    if (!parsedMode || hourNumber != std::floor(hourNumber) || hourNumber < std::numeric_limits<int>::min()
        || hourNumber > std::numeric_limits<int>::max())
        return std::nullopt;
    DailyCommitment commitment;
    commitment.mode = *parsedMode;
    commitment.date = date.toString();
    commitment.lockedUntilHour = static_cast<int>(hourNumber);
    commitment.committedAt = committedAt.toDouble() + kReferenceDateOffset;
    return commitment;
}

std::optional<DailyCommitment> DailyCommitment::load(const PreferencesStore &preferences)
{
    const std::optional<QByteArray> bytes = preferences.bytesValue(kPreferenceKey);
    return bytes ? decode(*bytes) : std::nullopt;
}

void DailyCommitment::save(const DailyCommitment &commitment, PreferencesStore &preferences)
{
    preferences.setBytes(kPreferenceKey, commitment.encode());
}

std::optional<DailyCommitment> DailyCommitment::loadToday(const PreferencesStore &preferences,
                                                          const Runtime &runtime)
{
    std::optional<DailyCommitment> commitment = load(preferences);
    if (commitment && commitment->date != todayString(runtime))
        return std::nullopt;
    return commitment;
}

QString DailyCommitment::todayString(const Runtime &runtime)
{
    return LocalCalendar::utcDayKey(runtime.now());
}

int DailyCommitment::lockUntilHourPreference(const PreferencesStore &preferences)
{
    const std::optional<qint64> hour = preferences.intValue(kLockUntilHourKey);
    if (!hour || *hour <= 0 || *hour > 23)
        return kDefaultLockUntilHour;
    return static_cast<int>(*hour);
}

} // namespace stirwell
