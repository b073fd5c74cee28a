#include "platform/linux/dbus/FreedesktopNotificationServer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QStringList>
#include <QVariantMap>

namespace stirwell {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr uchar kUrgencyNormal = 1;
} // namespace

FreedesktopNotificationServer::FreedesktopNotificationServer(QDBusConnection sessionBus, QString desktopEntry,
                                                             QString applicationName, QObject *parent)
    : NotificationServer(parent)
    , m_bus(std::move(sessionBus))
    , m_desktopEntry(std::move(desktopEntry))
    , m_applicationName(std::move(applicationName))
    , m_watcher(new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this))
{
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { Q_EMIT serverChanged(); });
    // Matched by path and interface from any sender: a match on the service
    // name made before the server is up would never be resolved to its owner.
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint)));
}

void FreedesktopNotificationServer::notify(const NotificationRequest &request,
                                           std::function<void(std::optional<uint> id)> reply)
{
    QVariantMap hints{
        {QStringLiteral("desktop-entry"), m_desktopEntry},
        {QStringLiteral("urgency"), QVariant::fromValue(kUrgencyNormal)},
    };
    if (request.withSound)
        hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    else
        hints.insert(QStringLiteral("suppress-sound"), true);

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << m_applicationName << request.replacesId << m_desktopEntry << request.title << request.body
         << QStringList() << hints << qint32(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, reply = std::move(reply)] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> answer = *watcher;
        if (answer.isError())
            reply(std::nullopt);
        else
            reply(answer.value());
    });
}

void FreedesktopNotificationServer::checkAvailable(std::function<void(bool available)> reply)
{
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, reply = std::move(reply)] {
        watcher->deleteLater();
        const QDBusPendingReply<QStringList> answer = *watcher;
        reply(!answer.isError());
    });
}

void FreedesktopNotificationServer::onNotificationClosed(uint id, uint reason)
{
    Q_UNUSED(reason)
    Q_EMIT notificationClosed(id);
}

} // namespace stirwell
