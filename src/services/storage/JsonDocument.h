#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace stirwell {

// The JSON object that `bytes` hold, or nothing with the reason in `problem`
// (when given): "not valid JSON (<parser message> at offset <n>)" or "not a
// JSON object" for a valid document of another kind.
[[nodiscard]] std::optional<QJsonObject> parseJsonObject(const QByteArray &bytes, QString *problem = nullptr);

} // namespace stirwell
