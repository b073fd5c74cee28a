#include "services/system/OncePerTokenGate.h"

#include "runtime/LocalCalendar.h"
#include "services/storage/PreferencesStore.h"

namespace stirwell {

OncePerTokenGate::OncePerTokenGate(QString key, PreferencesStore &preferences)
    : m_key(std::move(key))
    , m_preferences(preferences)
{
}

bool OncePerTokenGate::claim(const QString &token)
{
    if (m_preferences.stringValue(m_key) == token)
        return false;
    m_preferences.setString(m_key, token);
    return true;
}

QString OncePerTokenGate::dayToken(double moment, const LocalCalendar &calendar)
{
    return QString::number(calendar.dayToken(moment));
}

} // namespace stirwell
