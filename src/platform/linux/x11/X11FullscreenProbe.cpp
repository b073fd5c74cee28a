#include "platform/linux/x11/X11FullscreenProbe.h"

#include "platform/linux/x11/XcbReply.h"

#include <QByteArray>
#include <QRect>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace stirwell {

namespace {
template <typename T>
using Reply = XcbReply<T>;
} // namespace

struct X11FullscreenProbe::Connection {
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    QRect screenRect;
    xcb_atom_t activeWindow = XCB_ATOM_NONE;
    xcb_atom_t wmCheck = XCB_ATOM_NONE;
    bool randr = false;
    xcb_window_t watchedWindow = XCB_WINDOW_NONE;
    std::optional<SensorReading> cachedAnswer;

    // Events are never read as they come: they wait in the socket until the
    // next question, and any event at all means the answer may have changed.
    bool somethingHappened()
    {
        bool any = false;
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            any = true;
            std::free(event);
        }
        return any;
    }

    // Configure events of the active window tell of its moves and resizes
    // (window managers send them for frame moves too).
    void watch(xcb_window_t window)
    {
        if (window == watchedWindow)
            return;
        if (watchedWindow != XCB_WINDOW_NONE) {
            const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
            xcb_change_window_attributes(connection, watchedWindow, XCB_CW_EVENT_MASK, &none);
        }
        watchedWindow = window;
        if (window != XCB_WINDOW_NONE) {
            const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
        }
    }

    ~Connection()
    {
        if (connection)
            xcb_disconnect(connection);
    }

    [[nodiscard]] bool usable() const { return connection && !xcb_connection_has_error(connection); }

    // The primary monitor in root coordinates.
    QRect primaryMonitor() const
    {
        if (!randr)
            return screenRect;
        Reply<xcb_randr_get_output_primary_reply_t> primary(
            xcb_randr_get_output_primary_reply(connection, xcb_randr_get_output_primary(connection, root), nullptr));
        Reply<xcb_randr_get_screen_resources_current_reply_t> resources(xcb_randr_get_screen_resources_current_reply(
            connection, xcb_randr_get_screen_resources_current(connection, root), nullptr));
        if (!resources)
            return screenRect;
        const xcb_randr_output_t *outputs = xcb_randr_get_screen_resources_current_outputs(resources.get());
        const int count = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
        QRect first;
        for (int i = 0; i < count; ++i) {
            Reply<xcb_randr_get_output_info_reply_t> output(xcb_randr_get_output_info_reply(
                connection, xcb_randr_get_output_info(connection, outputs[i], resources->config_timestamp), nullptr));
            if (!output || output->crtc == XCB_NONE)
                continue;
            Reply<xcb_randr_get_crtc_info_reply_t> crtc(xcb_randr_get_crtc_info_reply(
                connection, xcb_randr_get_crtc_info(connection, output->crtc, resources->config_timestamp), nullptr));
            if (!crtc || crtc->width == 0 || crtc->height == 0)
                continue;
            const QRect rect(crtc->x, crtc->y, crtc->width, crtc->height);
            if (primary && primary->output == outputs[i])
                return rect;
            if (first.isNull())
                first = rect;
        }
        return first.isNull() ? screenRect : first;
    }
};

X11FullscreenProbe::X11FullscreenProbe(const QString &display, bool waylandSession)
    : m_waylandSession(waylandSession)
{
    const QByteArray name = display.toLocal8Bit();
    const char *displayName = name.isEmpty() ? std::getenv("DISPLAY") : name.constData();
    if (!displayName || !*displayName)
        return;
    int screenNumber = 0;
    auto connection = std::make_unique<Connection>();
    connection->connection = xcb_connect(displayName, &screenNumber);
    if (!connection->usable())
        return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection->connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem)
        return;
    connection->root = it.data->root;
    connection->screenRect = QRect(0, 0, it.data->width_in_pixels, it.data->height_in_pixels);
    connection->activeWindow = internXcbAtom(connection->connection, "_NET_ACTIVE_WINDOW");
    connection->wmCheck = internXcbAtom(connection->connection, "_NET_SUPPORTING_WM_CHECK");
    const xcb_query_extension_reply_t *randr = xcb_get_extension_data(connection->connection, &xcb_randr_id);
    if (randr && randr->present) {
        Reply<xcb_randr_query_version_reply_t> version(xcb_randr_query_version_reply(
            connection->connection, xcb_randr_query_version(connection->connection, 1, 3), nullptr));
        connection->randr = version && (version->major_version > 1 || version->minor_version >= 3);
    }
    // Root property changes (the active window, the window manager) and
    // screen changes invalidate the answer.
    const uint32_t rootMask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection->connection, connection->root, XCB_CW_EVENT_MASK, &rootMask);
    if (connection->randr)
        xcb_randr_select_input(connection->connection, connection->root,
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE
                                   | XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    xcb_flush(connection->connection);
    m_connection = std::move(connection);
}

X11FullscreenProbe::~X11FullscreenProbe() = default;

bool X11FullscreenProbe::environmentIsWayland()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland")
           || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QString X11FullscreenProbe::backendName() const
{
    if (!m_connection)
        return QStringLiteral("none");
    return m_waylandSession ? QStringLiteral("XWayland EWMH") : QStringLiteral("X11 EWMH");
}

SensorReading X11FullscreenProbe::frontmostFullscreen()
{
    if (!m_connection || !m_connection->usable())
        return SensorReading::unknown;
    if (m_connection->somethingHappened() || !m_connection->cachedAnswer)
        m_connection->cachedAnswer = askTheServer();
    return *m_connection->cachedAnswer;
}

SensorReading X11FullscreenProbe::askTheServer()
{
    const SensorReading notFullscreen = m_waylandSession ? SensorReading::unknown : SensorReading::no;
    if (!m_connection || !m_connection->usable() || m_connection->activeWindow == XCB_ATOM_NONE)
        return SensorReading::unknown;
    xcb_connection_t *c = m_connection->connection;

    Reply<xcb_get_property_reply_t> active(xcb_get_property_reply(
        c, xcb_get_property(c, 0, m_connection->root, m_connection->activeWindow, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!active)
        return SensorReading::unknown;
    if (active->type == XCB_ATOM_NONE) {
        // Nothing was ever activated under an EWMH window manager; without
        // one the question has no answer.
        Reply<xcb_get_property_reply_t> check(xcb_get_property_reply(
            c, xcb_get_property(c, 0, m_connection->root, m_connection->wmCheck, XCB_ATOM_WINDOW, 0, 1), nullptr));
        return check && check->type != XCB_ATOM_NONE ? notFullscreen : SensorReading::unknown;
    }
    if (xcb_get_property_value_length(active.get()) < static_cast<int>(sizeof(xcb_window_t)))
        return notFullscreen;
    const xcb_window_t window = *static_cast<const xcb_window_t *>(xcb_get_property_value(active.get()));
    // Watched before its geometry is asked, so that no change falls between.
    m_connection->watch(window);
    if (window == XCB_WINDOW_NONE)
        return notFullscreen;

    // Both requests go out before either reply is awaited.
    const auto geometryCookie = xcb_get_geometry(c, window);
    const auto translateCookie = xcb_translate_coordinates(c, window, m_connection->root, 0, 0);
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, nullptr));
    Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(c, translateCookie, nullptr));
    if (!geometry || !origin)
        return notFullscreen; // the window went away meanwhile
    const QRect windowRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    const bool covers = windowRect == m_connection->primaryMonitor();
    return covers ? SensorReading::yes : notFullscreen;
}

} // namespace stirwell
