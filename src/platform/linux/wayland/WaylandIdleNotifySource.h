#pragma once

#include "services/system/IdleNotificationEmulator.h"
#include "services/system/IdleTimeSource.h"

#include <atomic>
#include <memory>

class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;

namespace stirwell {

class Runtime;

// Input idle time in Wayland sessions whose compositor offers the
// ext-idle-notify protocol (KWin, sway 1.8+, other wlroots compositors). The
// protocol only notifies ("idle for 5 s", "active again"), so the idle time is
// emulated from those events; it is exact from 5 s on and 0 below. Version 1
// of the protocol honours idle inhibitors: while a video keeps the screen on,
// the user counts as active.
//
// Uses a Wayland connection of its own, served on the main thread.
class WaylandIdleNotifySource final : public IdleTimeSource {
public:
    static constexpr double kNotificationSeconds = 5.0;

    explicit WaylandIdleNotifySource(const Runtime &runtime);
    ~WaylandIdleNotifySource() override;

    [[nodiscard]] QString name() const override { return QStringLiteral("wayland-ext-idle-notify"); }
    // Connects to $WAYLAND_DISPLAY and asks for the idle notification; false
    // when there is no compositor or it lacks the protocol.
    [[nodiscard]] bool probe() override;
    [[nodiscard]] std::optional<double> idleSeconds() override;

private:
    static void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version);
    static void onGlobalRemove(void *data, wl_registry *registry, uint32_t name);
    static void onIdled(void *data, ext_idle_notification_v1 *notification);
    static void onResumed(void *data, ext_idle_notification_v1 *notification);
    void dispatch();
    void disconnect();

    IdleNotificationEmulator m_emulator;
    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    ext_idle_notifier_v1 *m_notifier = nullptr;
    ext_idle_notification_v1 *m_notification = nullptr;
    std::unique_ptr<QSocketNotifier> m_socketNotifier;
    std::atomic<bool> m_working = false; // read by queries from any thread
};

} // namespace stirwell
