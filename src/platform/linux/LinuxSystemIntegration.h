#pragma once

#include "services/meetings/ScreenCastProbe.h"
#include "services/system/IdleTimeSource.h"
#include "services/system/NotificationServer.h"
#include "services/system/SessionEventSource.h"
#include "services/system/SoundPlayer.h"

#include <QString>

#include <memory>
#include <vector>

namespace stirwell {

// What the environment says about the desktop session.
struct LinuxSessionFacts {
    QString sessionType; // $XDG_SESSION_TYPE: "x11", "wayland", "tty", ...
    bool waylandDisplay = false;
    bool x11Display = false;

    [[nodiscard]] static LinuxSessionFacts fromEnvironment();
    [[nodiscard]] bool isWayland() const;
};

// The idle sources worth probing in this session, best first, for
// selectIdleTimeSource(): GNOME's idle monitor; in Wayland sessions the
// compositor's idle notification; in X11 sessions (never under Wayland, where
// XWayland sees only part of the input) the X screensaver extension.
[[nodiscard]] std::vector<std::unique_ptr<IdleTimeSource>>
linuxIdleTimeSourceCandidates(const LinuxSessionFacts &facts, const Runtime &runtime);

// logind on the system bus and the screensavers on the session bus.
[[nodiscard]] std::unique_ptr<SessionEventSource> createLinuxSessionEventSource();
// The freedesktop notification server on the session bus.
[[nodiscard]] std::unique_ptr<NotificationServer> createLinuxNotificationServer(const QString &desktopEntry,
                                                                               const QString &applicationName);
[[nodiscard]] std::unique_ptr<SoundPlayer> createLinuxSoundPlayer(const QString &applicationId,
                                                                  const QString &applicationName);

// Screencasts of the compositor or a desktop portal, seen in the user's
// PipeWire graph; for ScreenShareMonitor. Answers unknown while no PipeWire
// daemon runs.
[[nodiscard]] std::unique_ptr<ScreenCastProbe> createPipeWireScreenCastProbe(const Runtime &runtime);

} // namespace stirwell
