#include "platform/linux/wayland/WaylandIdleNotifySource.h"

#include "ext-idle-notify-v1-client-protocol.h"

#include <QSocketNotifier>

#include <wayland-client.h>

#include <cstring>

namespace stirwell {

WaylandIdleNotifySource::WaylandIdleNotifySource(const Runtime &runtime)
    : m_emulator(runtime, kNotificationSeconds)
{
}

WaylandIdleNotifySource::~WaylandIdleNotifySource()
{
    disconnect();
}

bool WaylandIdleNotifySource::probe()
{
    if (m_display)
        return m_working;
    m_display = wl_display_connect(nullptr);
    if (!m_display)
        return false;
    m_registry = wl_display_get_registry(m_display);
    static const wl_registry_listener registryListener = {
        &WaylandIdleNotifySource::onGlobal,
        &WaylandIdleNotifySource::onGlobalRemove,
    };
    wl_registry_add_listener(m_registry, &registryListener, this);
    if (wl_display_roundtrip(m_display) < 0 || !m_seat || !m_notifier) {
        disconnect();
        return false;
    }
    m_notification = ext_idle_notifier_v1_get_idle_notification(
        m_notifier, static_cast<uint32_t>(kNotificationSeconds * 1000), m_seat);
    static const ext_idle_notification_v1_listener notificationListener = {
        &WaylandIdleNotifySource::onIdled,
        &WaylandIdleNotifySource::onResumed,
    };
    ext_idle_notification_v1_add_listener(m_notification, &notificationListener, this);
    if (wl_display_roundtrip(m_display) < 0) {
        disconnect();
        return false;
    }
    m_socketNotifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
    QObject::connect(m_socketNotifier.get(), &QSocketNotifier::activated, m_socketNotifier.get(),
                     [this] { dispatch(); });
    m_working = true;
    return true;
}

std::optional<double> WaylandIdleNotifySource::idleSeconds()
{
    if (!m_working)
        return std::nullopt;
    return m_emulator.idleSeconds();
}

void WaylandIdleNotifySource::onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                                       uint32_t version)
{
    Q_UNUSED(version)
    auto *self = static_cast<WaylandIdleNotifySource *>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->m_seat) {
        self->m_seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0 && !self->m_notifier) {
        self->m_notifier = static_cast<ext_idle_notifier_v1 *>(
            wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    }
}

void WaylandIdleNotifySource::onGlobalRemove(void *data, wl_registry *registry, uint32_t name)
{
    Q_UNUSED(data)
    Q_UNUSED(registry)
    Q_UNUSED(name)
}

void WaylandIdleNotifySource::onIdled(void *data, ext_idle_notification_v1 *notification)
{
    Q_UNUSED(notification)
    static_cast<WaylandIdleNotifySource *>(data)->m_emulator.idled();
}

void WaylandIdleNotifySource::onResumed(void *data, ext_idle_notification_v1 *notification)
{
    Q_UNUSED(notification)
    static_cast<WaylandIdleNotifySource *>(data)->m_emulator.resumed();
}

void WaylandIdleNotifySource::dispatch()
{
    while (wl_display_prepare_read(m_display) != 0)
        wl_display_dispatch_pending(m_display);
    wl_display_flush(m_display);
    // The socket is readable, so this does not block.
    if (wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0) {
        // The compositor is gone: from now on the idle time is unknown.
        m_working = false;
        m_emulator.resumed();
        m_socketNotifier.reset();
    }
}

void WaylandIdleNotifySource::disconnect()
{
    m_socketNotifier.reset();
    if (m_notification)
        ext_idle_notification_v1_destroy(m_notification);
    if (m_notifier)
        ext_idle_notifier_v1_destroy(m_notifier);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
    m_notification = nullptr;
    m_notifier = nullptr;
    m_seat = nullptr;
    m_registry = nullptr;
    m_display = nullptr;
    m_working = false;
}

} // namespace stirwell
