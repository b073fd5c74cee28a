#pragma once

#include "models/DailyRecord.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

namespace stirwell {

// Day key -> that day's record.
using DailyRecordMap = QMap<QString, DailyRecord>;

// The records file's content: one JSON object from day key to record,
// indented, keys in alphabetical order at every level (so days appear in
// date order). Counters are JSON integers; "mode" is the mode's raw value.
[[nodiscard]] QByteArray encodeDailyRecords(const DailyRecordMap &records);

// Decodes a whole records file, or nothing when any part of it does not
// decode; `error`, when given, then says what and where. Each record needs
// "date", "sessionsCompleted", "sessionsSkipped", "sessionsDue",
// "emergencyBypasses" and a known "mode"; the five newer counters may be
// absent (or null) and read as 0. A counter must be an integral number in
// the int range. Unknown keys are ignored.
[[nodiscard]] std::optional<DailyRecordMap> decodeDailyRecords(const QByteArray &bytes, QString *error = nullptr);

} // namespace stirwell
