#pragma once

#include "services/system/NotificationServer.h"

#include <QDBusConnection>

class QDBusServiceWatcher;

namespace stirwell {

// The freedesktop notification server (org.freedesktop.Notifications on the
// session bus). Notifications carry the application's desktop-file id as
// "desktop-entry" (so desktops apply their per-application settings) and
// either the theme's "message-new-instant" sound or "suppress-sound".
class FreedesktopNotificationServer final : public NotificationServer {
    Q_OBJECT
public:
    static constexpr int kCallTimeoutMs = 5000;

    FreedesktopNotificationServer(QDBusConnection sessionBus, QString desktopEntry, QString applicationName,
                                  QObject *parent = nullptr);

    void notify(const NotificationRequest &request, std::function<void(std::optional<uint> id)> reply) override;
    void checkAvailable(std::function<void(bool available)> reply) override;

private Q_SLOTS:
    void onNotificationClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    QString m_desktopEntry;
    QString m_applicationName;
    QDBusServiceWatcher *m_watcher;
};

} // namespace stirwell
