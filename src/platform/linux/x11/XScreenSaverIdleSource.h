#pragma once

#include "services/system/IdleTimeSource.h"

#include <QByteArray>

#include <memory>
#include <mutex>

namespace stirwell {

// Input idle time from the X server's MIT-SCREEN-SAVER extension, over a
// connection of its own. Meaningful in X11 sessions only: under XWayland it
// sees only input that reaches X11 clients. Note that clients resetting the
// screensaver (video players) reset this idle time too.
class XScreenSaverIdleSource final : public IdleTimeSource {
public:
    // An empty display name means $DISPLAY.
    explicit XScreenSaverIdleSource(QByteArray displayName = {});
    ~XScreenSaverIdleSource() override;

    [[nodiscard]] QString name() const override { return QStringLiteral("x11-screensaver"); }
    [[nodiscard]] bool probe() override;
    [[nodiscard]] std::optional<double> idleSeconds() override;

private:
    struct Connection;
    QByteArray m_displayName;
    std::mutex m_mutex; // Xlib calls on one connection must not interleave
    std::unique_ptr<Connection> m_connection;
    bool m_opened = false;
};

} // namespace stirwell
