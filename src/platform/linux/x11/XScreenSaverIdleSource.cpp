#include "platform/linux/x11/XScreenSaverIdleSource.h"

#include "runtime/Runtime.h"

#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <optional>

namespace stirwell {

struct XScreenSaverIdleSource::Connection {
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    std::optional<xcb_screensaver_query_info_cookie_t> pending;
    double pendingSentAt = 0;
    std::optional<double> lastAnswer;

    ~Connection()
    {
        if (connection)
            xcb_disconnect(connection);
    }

    [[nodiscard]] bool usable() const { return connection && !xcb_connection_has_error(connection); }

    void send(double now)
    {
        pending = xcb_screensaver_query_info(connection, root);
        pendingSentAt = now;
        xcb_flush(connection);
    }

    // Waits for the reply when it has not arrived yet.
    std::optional<double> take()
    {
        if (!pending)
            return std::nullopt;
        xcb_screensaver_query_info_reply_t *reply = xcb_screensaver_query_info_reply(connection, *pending, nullptr);
        pending.reset();
        if (!reply)
            return std::nullopt;
        const double seconds = reply->ms_since_user_input / 1000.0;
        std::free(reply);
        return seconds;
    }
};

XScreenSaverIdleSource::XScreenSaverIdleSource(const Runtime &runtime, QByteArray displayName)
    : m_runtime(runtime)
    , m_displayName(std::move(displayName))
{
}

XScreenSaverIdleSource::~XScreenSaverIdleSource() = default;

bool XScreenSaverIdleSource::probe()
{
    std::lock_guard lock(m_mutex);
    if (!m_opened) {
        m_opened = true;
        auto connection = std::make_unique<Connection>();
        int screenNumber = 0;
        connection->connection =
            xcb_connect(m_displayName.isEmpty() ? nullptr : m_displayName.constData(), &screenNumber);
        if (!connection->usable())
            return false;
        const xcb_query_extension_reply_t *extension =
            xcb_get_extension_data(connection->connection, &xcb_screensaver_id);
        if (!extension || !extension->present)
            return false;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection->connection));
        for (int i = 0; i < screenNumber && it.rem; ++i)
            xcb_screen_next(&it);
        if (!it.rem)
            return false;
        connection->root = it.data->root;
        m_connection = std::move(connection);
    }
    return m_connection != nullptr;
}

std::optional<double> XScreenSaverIdleSource::idleSeconds()
{
    std::lock_guard lock(m_mutex);
    if (!m_connection || !m_connection->usable())
        return std::nullopt;
    const double now = m_runtime.monotonic();
    const double age = now - m_connection->pendingSentAt;
    if (m_connection->pending && age >= 0 && age < kSharedAnswerAge && m_connection->lastAnswer)
        return m_connection->lastAnswer; // a second caller within the same step
    std::optional<double> answer;
    if (m_connection->pending && age >= 0 && age <= kPipelinedAnswerAge) {
        answer = m_connection->take();
    } else {
        // Too old to stand for now (or none): ask afresh and wait.
        if (m_connection->pending)
            xcb_discard_reply(m_connection->connection, m_connection->pending->sequence);
        m_connection->pending.reset();
        m_connection->send(now);
        answer = m_connection->take();
    }
    m_connection->lastAnswer = answer;
    if (m_connection->usable())
        m_connection->send(now);
    return answer;
}

} // namespace stirwell
