#include "platform/linux/wayland/WaylandIdleNotifySource.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"

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

QString WaylandIdleNotifySource::name() const
{
    switch (m_protocol) {
    case Protocol::ExtIdleNotify:
        return QStringLiteral("wayland-ext-idle-notify");
    case Protocol::KdeIdle:
        return QStringLiteral("wayland-kde-idle");
    case Protocol::None:
        break;
    }
    return QStringLiteral("wayland-idle");
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
    if (wl_display_roundtrip(m_display) < 0 || !m_seat || !requestNotification()
        || wl_display_roundtrip(m_display) < 0) {
        disconnect();
        return false;
    }
    m_socketNotifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
    QObject::connect(m_socketNotifier.get(), &QSocketNotifier::activated, m_socketNotifier.get(),
                     [this] { dispatch(); });
    m_working = true;
    return true;
}

bool WaylandIdleNotifySource::requestNotification()
{
    const auto timeoutMs = static_cast<uint32_t>(kNotificationSeconds * 1000);
    if (m_notifierGlobal) {
        m_protocol = Protocol::ExtIdleNotify;
        m_notifier = static_cast<ext_idle_notifier_v1 *>(
            wl_registry_bind(m_registry, *m_notifierGlobal, &ext_idle_notifier_v1_interface, 1));
        m_notification = ext_idle_notifier_v1_get_idle_notification(m_notifier, timeoutMs, m_seat);
        static const ext_idle_notification_v1_listener notificationListener = {
            &WaylandIdleNotifySource::onIdled,
            &WaylandIdleNotifySource::onResumed,
        };
        ext_idle_notification_v1_add_listener(m_notification, &notificationListener, this);
        return true;
    }
    if (m_kdeIdleGlobal) {
        m_protocol = Protocol::KdeIdle;
        m_kdeIdle = static_cast<org_kde_kwin_idle *>(
            wl_registry_bind(m_registry, *m_kdeIdleGlobal, &org_kde_kwin_idle_interface, 1));
        m_kdeTimeout = org_kde_kwin_idle_get_idle_timeout(m_kdeIdle, m_seat, timeoutMs);
        static const org_kde_kwin_idle_timeout_listener timeoutListener = {
            &WaylandIdleNotifySource::onKdeIdle,
            &WaylandIdleNotifySource::onKdeResumed,
        };
        org_kde_kwin_idle_timeout_add_listener(m_kdeTimeout, &timeoutListener, this);
        return true;
    }
    return false;
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
    } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0 && !self->m_notifierGlobal) {
        self->m_notifierGlobal = name;
    } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0 && !self->m_kdeIdleGlobal) {
        self->m_kdeIdleGlobal = name;
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

void WaylandIdleNotifySource::onKdeIdle(void *data, org_kde_kwin_idle_timeout *timeout)
{
    Q_UNUSED(timeout)
    static_cast<WaylandIdleNotifySource *>(data)->m_emulator.idled();
}

void WaylandIdleNotifySource::onKdeResumed(void *data, org_kde_kwin_idle_timeout *timeout)
{
    Q_UNUSED(timeout)
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
    if (m_kdeTimeout)
        org_kde_kwin_idle_timeout_release(m_kdeTimeout);
    // The KDE idle manager has no destructor request: only the proxy goes.
    if (m_kdeIdle)
        org_kde_kwin_idle_destroy(m_kdeIdle);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
    m_notification = nullptr;
    m_notifier = nullptr;
    m_kdeTimeout = nullptr;
    m_kdeIdle = nullptr;
    m_notifierGlobal.reset();
    m_kdeIdleGlobal.reset();
    m_seat = nullptr;
    m_registry = nullptr;
    m_display = nullptr;
    m_working = false;
}

} // namespace stirwell
