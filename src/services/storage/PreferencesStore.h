#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QMap>
#include <QObject>
#include <QString>

#include <optional>
#include <variant>

namespace stirwell {

using PreferenceValue = std::variant<bool, qint64, double, QString, QByteArray>;

// What is stored under a key. `Unreadable` is a value of a shape the store
// does not know (hand-edited, say): present, but of no type a caller asks for.
enum class PreferenceType { Missing, Boolean, Integer, Double, String, Bytes, Unreadable };

// The user's typed preferences: small values under fixed keys.
//
// Readers tell "missing" from "present with another type": each typed getter
// returns nothing for both, and `type()` says which. Numbers are read
// leniently in one respect only: an integer reads as a double, and a double
// with no fractional part reads as an integer (a file stores both as plain
// numbers). Every change emits `changed(key)` after it is stored.
//
// This class keeps the values in memory; FilePreferencesStore persists them.
class PreferencesStore : public QObject {
    Q_OBJECT
public:
    explicit PreferencesStore(QObject *parent = nullptr);

    [[nodiscard]] PreferenceType type(const QString &key) const;
    [[nodiscard]] bool contains(const QString &key) const;
    [[nodiscard]] std::optional<PreferenceValue> value(const QString &key) const;

    [[nodiscard]] std::optional<bool> boolValue(const QString &key) const;
    [[nodiscard]] std::optional<qint64> intValue(const QString &key) const;
    [[nodiscard]] std::optional<double> doubleValue(const QString &key) const;
    [[nodiscard]] std::optional<QString> stringValue(const QString &key) const;
    [[nodiscard]] std::optional<QByteArray> bytesValue(const QString &key) const;

    void setValue(const QString &key, const PreferenceValue &value);
    void setBool(const QString &key, bool value) { setValue(key, value); }
    void setInt(const QString &key, qint64 value) { setValue(key, value); }
    void setDouble(const QString &key, double value) { setValue(key, value); }
    void setString(const QString &key, const QString &value) { setValue(key, value); }
    void setBytes(const QString &key, const QByteArray &value) { setValue(key, value); }
    void remove(const QString &key);

    [[nodiscard]] QStringList keys() const;

Q_SIGNALS:
    void changed(const QString &key);

protected:
    // Called after every change; a persistent store writes itself here.
    virtual void persist() {}

    // The whole content, for stores that load and save it.
    [[nodiscard]] QJsonObject toJson() const;
    // Replaces the content; returns the keys whose values could not be read
    // as any known type (kept as they are and written back unchanged).
    QStringList loadJson(const QJsonObject &object);

private:
    QMap<QString, PreferenceValue> m_values;
    // Values of unknown shape from a hand-edited file, kept so that nothing
    // the user wrote is lost when the store writes itself back.
    QMap<QString, QJsonValue> m_unreadable;
};

} // namespace stirwell
