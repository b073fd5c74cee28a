#include "platform/linux/dbus/MutterIdleMonitorSource.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace stirwell {

namespace {
const QString kService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString kInterface = QStringLiteral("org.gnome.Mutter.IdleMonitor");
} // namespace

MutterIdleMonitorSource::MutterIdleMonitorSource(QDBusConnection sessionBus)
    : m_bus(std::move(sessionBus))
{
}

bool MutterIdleMonitorSource::probe()
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return false;
    if (!m_bus.interface()->isServiceRegistered(kService).value())
        return false;
    return idleSeconds().has_value();
}

std::optional<double> MutterIdleMonitorSource::idleSeconds()
{
    const QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetIdletime"));
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return std::nullopt;
    bool ok = false;
    const qulonglong milliseconds = reply.arguments().constFirst().toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return static_cast<double>(milliseconds) / 1000.0;
}

} // namespace stirwell
