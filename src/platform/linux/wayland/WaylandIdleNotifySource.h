#pragma once

#include "services/system/IdleNotificationEmulator.h"
#include "services/system/IdleTimeSource.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

namespace stirwell {

class Runtime;

// Input idle time in Wayland sessions whose compositor offers the
// ext-idle-notify protocol (KWin 5.27+, sway 1.8+, other wlroots compositors)
// or, failing that, KDE's older org_kde_kwin_idle (KWin up to 5.26, sway 1.7);
// ext-idle-notify is preferred when both are there. Either protocol only
// notifies ("idle for 5 s", "active again"), so the idle time is emulated from
// those events; it is exact from 5 s on and 0 below. Both honour idle
// inhibitors: while a video keeps the screen on, the user counts as active.
//
// Uses a Wayland connection of its own, served on the main thread.
class WaylandIdleNotifySource final : public IdleTimeSource {
public:
    static constexpr double kNotificationSeconds = 5.0;

    explicit WaylandIdleNotifySource(const Runtime &runtime);
    ~WaylandIdleNotifySource() override;

    // The protocol chosen by the probe: "wayland-ext-idle-notify" or
    // "wayland-kde-idle"; "wayland-idle" when the compositor offers neither
    // (or before the probe).
    [[nodiscard]] QString name() const override;
    // Connects to $WAYLAND_DISPLAY and asks for the idle notification; false
    // when there is no compositor or it offers neither protocol.
    [[nodiscard]] bool probe() override;
    [[nodiscard]] std::optional<double> idleSeconds() override;

private:
    static void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version);
    static void onGlobalRemove(void *data, wl_registry *registry, uint32_t name);
    static void onIdled(void *data, ext_idle_notification_v1 *notification);
    static void onResumed(void *data, ext_idle_notification_v1 *notification);
    static void onKdeIdle(void *data, org_kde_kwin_idle_timeout *timeout);
    static void onKdeResumed(void *data, org_kde_kwin_idle_timeout *timeout);
    [[nodiscard]] bool requestNotification();
    void dispatch();
    void disconnect();

    IdleNotificationEmulator m_emulator;
    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    ext_idle_notifier_v1 *m_notifier = nullptr;
    ext_idle_notification_v1 *m_notification = nullptr;
    org_kde_kwin_idle *m_kdeIdle = nullptr;
    org_kde_kwin_idle_timeout *m_kdeTimeout = nullptr;
    // Registry names of the idle globals on offer; only the preferred one is bound.
    std::optional<uint32_t> m_notifierGlobal;
    std::optional<uint32_t> m_kdeIdleGlobal;
    enum class Protocol { None, ExtIdleNotify, KdeIdle };
    Protocol m_protocol = Protocol::None;
    std::unique_ptr<QSocketNotifier> m_socketNotifier;
    std::atomic<bool> m_working = false; // read by queries from any thread
};

} // namespace stirwell
