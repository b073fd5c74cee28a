#pragma once

#include "services/system/IdleTimeSource.h"

#include <QByteArray>

#include <memory>
#include <mutex>

namespace stirwell {

class Runtime;

// Input idle time from the X server's MIT-SCREEN-SAVER extension, over a
// connection of its own. Meaningful in X11 sessions only: under XWayland it
// sees only input that reaches X11 clients. Note that clients resetting the
// screensaver (video players) reset this idle time too.
//
// Queries are pipelined (PipelinedIdleQuery): at the countdown's one-second
// cadence an answer is the reply to the request sent at the previous call,
// already waiting in the socket, so no call waits for the server.
class XScreenSaverIdleSource final : public IdleTimeSource {
public:
    // An empty display name means $DISPLAY.
    explicit XScreenSaverIdleSource(const Runtime &runtime, QByteArray displayName = {});
    ~XScreenSaverIdleSource() override;

    [[nodiscard]] QString name() const override { return QStringLiteral("x11-screensaver"); }
    [[nodiscard]] bool probe() override;
    [[nodiscard]] std::optional<double> idleSeconds() override;

private:
    struct Connection;
    const Runtime &m_runtime;
    QByteArray m_displayName;
    std::mutex m_mutex; // one request in flight at a time, whatever the thread
    std::unique_ptr<Connection> m_connection;
    bool m_opened = false;
};

} // namespace stirwell
