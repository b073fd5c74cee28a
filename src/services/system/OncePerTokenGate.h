#pragma once

#include <QString>

namespace stirwell {

class LocalCalendar;
class PreferencesStore;

// A persistent latch over one preferences key: lets a thing happen once per
// token (one note per local day, one suggestion per meeting), across restarts.
class OncePerTokenGate {
public:
    OncePerTokenGate(QString key, PreferencesStore &preferences);

    // False when the string stored under the key equals `token`; otherwise
    // stores `token` and returns true. A value of another type under the key
    // counts as no token.
    [[nodiscard]] bool claim(const QString &token);

    // The start of the local day containing `moment`, as whole seconds since
    // 2001-01-01 00:00:00 UTC, in decimal.
    [[nodiscard]] static QString dayToken(double moment, const LocalCalendar &calendar);

    [[nodiscard]] const QString &key() const { return m_key; }

private:
    QString m_key;
    PreferencesStore &m_preferences;
};

} // namespace stirwell
