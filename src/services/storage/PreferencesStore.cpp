#include "services/storage/PreferencesStore.h"

#include <QJsonObject>

#include <cmath>

namespace stirwell {

namespace {
const QString kBytesKey = QStringLiteral("base64");

bool isIntegral(double v)
{
    return std::isfinite(v) && std::trunc(v) == v && std::fabs(v) < 9.0e15;
}
} // namespace

PreferencesStore::PreferencesStore(QObject *parent)
    : QObject(parent)
{
}

PreferenceType PreferencesStore::type(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.cend())
        return m_unreadable.contains(key) ? PreferenceType::Unreadable : PreferenceType::Missing;
    switch (it->index()) {
    case 0: return PreferenceType::Boolean;
    case 1: return PreferenceType::Integer;
    case 2: return PreferenceType::Double;
    case 3: return PreferenceType::String;
    default: return PreferenceType::Bytes;
    }
}

bool PreferencesStore::contains(const QString &key) const
{
    return m_values.contains(key) || m_unreadable.contains(key);
}

std::optional<PreferenceValue> PreferencesStore::value(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.cend())
        return std::nullopt;
    return *it;
}

std::optional<bool> PreferencesStore::boolValue(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it != m_values.cend())
        if (const bool *v = std::get_if<bool>(&*it))
            return *v;
    return std::nullopt;
}

std::optional<qint64> PreferencesStore::intValue(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.cend())
        return std::nullopt;
    if (const qint64 *v = std::get_if<qint64>(&*it))
        return *v;
    if (const double *d = std::get_if<double>(&*it); d && isIntegral(*d))
        return static_cast<qint64>(*d);
    return std::nullopt;
}

std::optional<double> PreferencesStore::doubleValue(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.cend())
        return std::nullopt;
    if (const double *d = std::get_if<double>(&*it))
        return *d;
    if (const qint64 *v = std::get_if<qint64>(&*it))
        return static_cast<double>(*v);
    return std::nullopt;
}

std::optional<QString> PreferencesStore::stringValue(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it != m_values.cend())
        if (const QString *v = std::get_if<QString>(&*it))
            return *v;
    return std::nullopt;
}

std::optional<QByteArray> PreferencesStore::bytesValue(const QString &key) const
{
    const auto it = m_values.constFind(key);
    if (it != m_values.cend())
        if (const QByteArray *v = std::get_if<QByteArray>(&*it))
            return *v;
    return std::nullopt;
}

void PreferencesStore::setValue(const QString &key, const PreferenceValue &value)
{
    if (const double *d = std::get_if<double>(&value); d && !std::isfinite(*d))
        return; // JSON cannot hold it, and no setting means it
    const auto it = m_values.constFind(key);
    if (it != m_values.cend() && *it == value)
        return;
    m_unreadable.remove(key);
    m_values.insert(key, value);
    persist();
    Q_EMIT changed(key);
}

void PreferencesStore::remove(const QString &key)
{
    const bool had = m_values.remove(key) + m_unreadable.remove(key) > 0;
    if (!had)
        return;
    persist();
    Q_EMIT changed(key);
}

QStringList PreferencesStore::keys() const
{
    QStringList all = m_values.keys();
    all += m_unreadable.keys();
    all.sort();
    return all;
}

QJsonObject PreferencesStore::toJson() const
{
    QJsonObject object;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
        QJsonValue json;
        std::visit(
            [&json](const auto &v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, QByteArray>)
                    json = QJsonObject{{kBytesKey, QString::fromLatin1(v.toBase64())}};
                else
                    json = QJsonValue(v);
            },
            *it);
        object.insert(it.key(), json);
    }
    for (auto it = m_unreadable.cbegin(); it != m_unreadable.cend(); ++it)
        object.insert(it.key(), *it);
    return object;
}

QStringList PreferencesStore::loadJson(const QJsonObject &object)
{
    m_values.clear();
    m_unreadable.clear();
    QStringList unreadable;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QJsonValue v = it.value();
        if (v.isBool()) {
            m_values.insert(it.key(), v.toBool());
        } else if (v.isDouble()) {
            const double d = v.toDouble();
            if (isIntegral(d))
                m_values.insert(it.key(), static_cast<qint64>(d));
            else
                m_values.insert(it.key(), d);
        } else if (v.isString()) {
            m_values.insert(it.key(), v.toString());
        } else if (v.isObject() && v.toObject().size() == 1 && v.toObject().value(kBytesKey).isString()) {
            const auto decoded = QByteArray::fromBase64Encoding(
                v.toObject().value(kBytesKey).toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
            if (decoded) {
                m_values.insert(it.key(), *decoded);
            } else {
                m_unreadable.insert(it.key(), v);
                unreadable << it.key();
            }
        } else {
            m_unreadable.insert(it.key(), v);
            unreadable << it.key();
        }
    }
    return unreadable;
}

} // namespace stirwell
