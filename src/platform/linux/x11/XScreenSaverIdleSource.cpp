#include "platform/linux/x11/XScreenSaverIdleSource.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace stirwell {

struct XScreenSaverIdleSource::Connection {
    Display *display = nullptr;
    XScreenSaverInfo *info = nullptr;

    ~Connection()
    {
        if (info)
            XFree(info);
        if (display)
            XCloseDisplay(display);
    }
};

XScreenSaverIdleSource::XScreenSaverIdleSource(QByteArray displayName)
    : m_displayName(std::move(displayName))
{
}

XScreenSaverIdleSource::~XScreenSaverIdleSource() = default;

bool XScreenSaverIdleSource::probe()
{
    std::lock_guard lock(m_mutex);
    if (!m_opened) {
        m_opened = true;
        auto connection = std::make_unique<Connection>();
        connection->display = XOpenDisplay(m_displayName.isEmpty() ? nullptr : m_displayName.constData());
        if (!connection->display)
            return false;
        int eventBase = 0;
        int errorBase = 0;
        if (!XScreenSaverQueryExtension(connection->display, &eventBase, &errorBase))
            return false;
        connection->info = XScreenSaverAllocInfo();
        if (!connection->info)
            return false;
        m_connection = std::move(connection);
    }
    return m_connection != nullptr;
}

std::optional<double> XScreenSaverIdleSource::idleSeconds()
{
    std::lock_guard lock(m_mutex);
    if (!m_connection)
        return std::nullopt;
    Display *display = m_connection->display;
    if (!XScreenSaverQueryInfo(display, XDefaultRootWindow(display), m_connection->info))
        return std::nullopt;
    return static_cast<double>(m_connection->info->idle) / 1000.0;
}

} // namespace stirwell
