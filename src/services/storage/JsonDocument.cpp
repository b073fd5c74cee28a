#include "services/storage/JsonDocument.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace stirwell {

std::optional<QJsonObject> parseJsonObject(const QByteArray &bytes, QString *problem)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (problem)
            *problem = QStringLiteral("not valid JSON (%1 at offset %2)")
                           .arg(parseError.errorString())
                           .arg(parseError.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        if (problem)
            *problem = QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    return document.object();
}

} // namespace stirwell
