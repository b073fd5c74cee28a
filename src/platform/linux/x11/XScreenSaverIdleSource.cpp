#include "platform/linux/x11/XScreenSaverIdleSource.h"

#include "platform/linux/x11/XcbReply.h"
#include "runtime/Runtime.h"
#include "services/system/PipelinedIdleQuery.h"

#include <xcb/screensaver.h>
#include <xcb/xcb.h>

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
        const XcbReply<xcb_screensaver_query_info_reply_t> reply(
            xcb_screensaver_query_info_reply(connection, *pending, nullptr));
        pending.reset();
        if (!reply)
            return std::nullopt;
        return reply->ms_since_user_input / 1000.0;
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
    Connection &c = *m_connection;
    const double now = m_runtime.monotonic();
    std::optional<double> answer;
    switch (PipelinedIdleQuery::next(c.pending.has_value(), c.lastAnswer.has_value(), now - c.pendingSentAt)) {
    case PipelinedIdleQuery::Step::shareLastAnswer:
        return c.lastAnswer;
    case PipelinedIdleQuery::Step::takePendingReply:
        answer = c.take();
        break;
    case PipelinedIdleQuery::Step::askAfresh:
        if (c.pending)
            xcb_discard_reply(c.connection, c.pending->sequence);
        c.pending.reset();
        c.send(now);
        answer = c.take();
        break;
    }
    c.lastAnswer = answer;
    if (c.usable())
        c.send(now);
    return answer;
}

} // namespace stirwell
