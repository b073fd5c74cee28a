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
// Asked once a second (the countdown's cadence), the source does not wait for
// the server: each answer comes from the request sent at the previous call,
// whose reply is already waiting in the socket, and the next request goes out
// at once. So a steady caller costs no extra wake-up, and its answers are one
// step (at most kPipelinedAnswerAge seconds) old. A caller that asks less
// often, or for the first time, gets a fresh answer and waits for it.
// Callers within kSharedAnswerAge of each other share one answer.
class XScreenSaverIdleSource final : public IdleTimeSource {
public:
    static constexpr double kSharedAnswerAge = 0.5;
    static constexpr double kPipelinedAnswerAge = 1.25;

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
