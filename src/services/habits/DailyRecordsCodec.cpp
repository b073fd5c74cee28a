#include "services/habits/DailyRecordsCodec.h"
#include "services/storage/JsonDocument.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <cmath>
#include <limits>

namespace stirwell {

namespace {

struct CounterField {
    const char *key;
    int DailyRecord::*member;
    bool required;
};

const std::array<CounterField, 9> kCounters = {{
    {"sessionsCompleted", &DailyRecord::sessionsCompleted, true},
    {"sessionsSkipped", &DailyRecord::sessionsSkipped, true},
    {"sessionsDue", &DailyRecord::sessionsDue, true},
    {"emergencyBypasses", &DailyRecord::emergencyBypasses, true},
    {"microBreaksCompleted", &DailyRecord::microBreaksCompleted, false},
    {"exerciseSnacksCompleted", &DailyRecord::exerciseSnacksCompleted, false},
    {"extendedBreaksCompleted", &DailyRecord::extendedBreaksCompleted, false},
    {"snoozesUsed", &DailyRecord::snoozesUsed, false},
    {"naturalBreaksDetected", &DailyRecord::naturalBreaksDetected, false},
}};

std::optional<int> integerValue(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < std::numeric_limits<int>::min()
        || number > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(number);
}

std::optional<DailyRecord> decodeRecord(const QJsonObject &object, QString *problem)
{
    DailyRecord record;
    const QJsonValue date = object.value(QLatin1String("date"));
    if (!date.isString()) {
        *problem = QStringLiteral("\"date\" is missing or not a string");
        return std::nullopt;
    }
    record.date = date.toString();

    const QJsonValue mode = object.value(QLatin1String("mode"));
    const std::optional<CommitmentMode> parsedMode =
        mode.isString() ? fromRawValue<CommitmentMode>(mode.toString()) : std::nullopt;
    if (!parsedMode) {
        *problem = QStringLiteral("\"mode\" is missing or names no commitment mode");
        return std::nullopt;
    }
    record.mode = *parsedMode;

    for (const CounterField &field : kCounters) {
        const QJsonValue value = object.value(QLatin1String(field.key));
        if ((value.isUndefined() || value.isNull()) && !field.required)
            continue;
        const std::optional<int> number = integerValue(value);
        if (!number) {
            *problem = QStringLiteral("\"%1\" is missing or not an integer").arg(QLatin1String(field.key));
            return std::nullopt;
        }
        record.*field.member = *number;
    }
    return record;
}

} // namespace

QByteArray encodeDailyRecords(const DailyRecordMap &records)
{
    QJsonObject root;
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        const DailyRecord &record = it.value();
        QJsonObject object;
        object.insert(QLatin1String("date"), record.date);
        object.insert(QLatin1String("mode"), rawValue(record.mode));
        for (const CounterField &field : kCounters)
            object.insert(QLatin1String(field.key), record.*field.member);
        root.insert(it.key(), object);
    }
    // QJsonObject keeps its keys sorted, at every level.
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<DailyRecordMap> decodeDailyRecords(const QByteArray &bytes, QString *error)
{
    QString scratch;
    QString &problem = error ? *error : scratch;
    const std::optional<QJsonObject> parsed = parseJsonObject(bytes, &problem);
    if (!parsed)
        return std::nullopt;
    DailyRecordMap records;
    const QJsonObject &root = *parsed;
    for (auto it = root.constBegin(); it != root.constEnd(); ++it) {
        if (!it.value().isObject()) {
            problem = QStringLiteral("the entry for %1 is not an object").arg(it.key());
            return std::nullopt;
        }
        QString recordProblem;
        std::optional<DailyRecord> record = decodeRecord(it.value().toObject(), &recordProblem);
        if (!record) {
            problem = QStringLiteral("the entry for %1: %2").arg(it.key(), recordProblem);
            return std::nullopt;
        }
        records.insert(it.key(), std::move(*record));
    }
    return records;
}

} // namespace stirwell
