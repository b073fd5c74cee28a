#pragma once

#include "services/meetings/FullscreenProbe.h"

#include <memory>

namespace stirwell {

// Whether the active window covers the whole primary monitor, through EWMH
// on an X server: the window manager's _NET_ACTIVE_WINDOW, its geometry in
// root coordinates, and the primary RandR output (the first active one when
// none is marked primary, the whole screen without RandR).
//
// In an X11 session the answer is yes or no; in a Wayland session only
// XWayland windows are visible, so a full-screen X client (a game, Zoom) is
// a yes and anything else `unknown`. Without a display, always `unknown`.
// Uses its own connection, so it needs no GUI library. The answer is kept
// until the X server reports a change of the active window, its geometry,
// the window manager or the screens: while nothing changes, a question costs
// no round trip, and the events are read only when a question comes.
class X11FullscreenProbe : public FullscreenProbe {
public:
    // `display` as in DISPLAY; empty for the environment's. `waylandSession`
    // says whether the X server is XWayland beside a Wayland compositor.
    X11FullscreenProbe(const QString &display, bool waylandSession);
    ~X11FullscreenProbe() override;
    X11FullscreenProbe(const X11FullscreenProbe &) = delete;
    X11FullscreenProbe &operator=(const X11FullscreenProbe &) = delete;

    // From the session's environment: XDG_SESSION_TYPE and WAYLAND_DISPLAY.
    [[nodiscard]] static bool environmentIsWayland();

    SensorReading frontmostFullscreen() override;
    QString backendName() const override;

    struct Connection;

private:
    SensorReading askTheServer();

    std::unique_ptr<Connection> m_connection;
    bool m_waylandSession;
};

} // namespace stirwell
