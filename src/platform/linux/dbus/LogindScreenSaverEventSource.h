#pragma once

#include "services/system/SessionEventSource.h"

#include <QDBusConnection>
#include <QSet>
#include <QStringList>
#include <QVariantMap>

class QDBusMessage;
class QDBusServiceWatcher;

namespace stirwell {

// Sleep and lock facts from D-Bus: logind's PrepareForSleep and our
// session's LockedHint on the system bus, and the screensavers'
// ActiveChanged on the session bus (freedesktop/KDE on both of its paths,
// GNOME, Cinnamon, MATE, Xfce). Each screensaver interface is one reporter
// (origin = its interface name), logind another ("logind").
class LogindScreenSaverEventSource final : public SessionEventSource {
    Q_OBJECT
public:
    LogindScreenSaverEventSource(QDBusConnection systemBus, QDBusConnection sessionBus, QObject *parent = nullptr);
    ~LogindScreenSaverEventSource() override;

    void start() override;
    void stop() override;

    // The session object followed, once logind has named it (empty before).
    [[nodiscard]] QString sessionPath() const { return m_sessionPath; }

private Q_SLOTS:
    void onPrepareForSleep(bool goingToSleep);
    void onSessionPropertiesChanged(const QString &interface, const QVariantMap &changed,
                                    const QStringList &invalidated);
    void onScreenSaverActiveChanged(bool active, const QDBusMessage &message);

private:
    void followSession(const QString &path);
    void readLockedHint();
    void disconnectAll();

    QDBusConnection m_system;
    QDBusConnection m_session;
    bool m_started = false;
    QString m_sessionPath;
    // Replies to calls made before the last stop() are dropped.
    quint64 m_generation = 0;
    // Screensavers whose last word was "active", and the watch on their names.
    QSet<QString> m_activeSavers;
    QDBusServiceWatcher *m_saverWatcher = nullptr;
};

} // namespace stirwell
