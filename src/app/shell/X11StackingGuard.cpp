#include "app/shell/X11StackingGuard.h"

#include "platform/linux/x11/XcbReply.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace stirwell {

namespace {

template <typename T>
using Reply = XcbReply<T>;

// Bottom to top, as the window manager keeps it; empty when there is none.
QList<std::uint32_t> stackingList(xcb_connection_t *connection, std::uint32_t root, std::uint32_t atom)
{
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, atom, XCB_ATOM_WINDOW, 0, 16384), nullptr));
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_WINDOW)
        return {};
    const auto *ids = static_cast<const std::uint32_t *>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return QList<std::uint32_t>(ids, ids + count);
}

std::uint32_t rootOf(xcb_connection_t *connection, std::uint32_t window)
{
    const Reply<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    return reply ? reply->root : 0;
}

} // namespace

std::unique_ptr<X11StackingGuard> X11StackingGuard::create(QObject *parent)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    return std::unique_ptr<X11StackingGuard>(new X11StackingGuard(x11->connection(), parent));
}

X11StackingGuard::X11StackingGuard(xcb_connection_t *connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{
    m_stackingAtom = internXcbAtom(m_connection, "_NET_CLIENT_LIST_STACKING");
}

X11StackingGuard::~X11StackingGuard()
{
    if (m_filtering)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11StackingGuard::guard(const QList<QWindow *> &windows)
{
    for (const QPointer<QWindow> &window : std::as_const(m_windows))
        if (window)
            disconnect(window, nullptr, this, nullptr);
    m_windows.clear();
    for (QWindow *window : windows) {
        if (!window)
            continue;
        m_windows.append(window);
        connect(window, &QWindow::activeChanged, this, &X11StackingGuard::activeChanged);
        // The window id (and its root) exists once the window is created.
        if (window->handle())
            watchRoot(rootOf(m_connection, static_cast<std::uint32_t>(window->winId())));
    }
    const bool filter = !m_windows.isEmpty() && m_stackingAtom != 0;
    if (filter != m_filtering) {
        m_filtering = filter;
        if (filter)
            QCoreApplication::instance()->installNativeEventFilter(this);
        else
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    if (m_filtering)
        scheduleCheck();
}

void X11StackingGuard::watchRoot(std::uint32_t root)
{
    if (root == 0 || m_watchedRoots.contains(root))
        return;
    m_watchedRoots.append(root);
    // Qt's own selection on the root is kept: property changes are added to
    // it, never put in its place.
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, root), nullptr));
    if (!attributes || (attributes->your_event_mask & XCB_EVENT_MASK_PROPERTY_CHANGE))
        return;
    const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
}

bool X11StackingGuard::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto *property = static_cast<const xcb_property_notify_event_t *>(message);
    if (property->atom == m_stackingAtom)
        scheduleCheck();
    return false; // Qt sees every event as before
}

void X11StackingGuard::scheduleCheck()
{
    // Several changes in a row (a window mapped, raised and focused) are
    // looked at once, after the event queue has been read.
    if (m_checkPending)
        return;
    m_checkPending = true;
    QMetaObject::invokeMethod(this, [this] {
        m_checkPending = false;
        raiseCovered();
    }, Qt::QueuedConnection);
}

void X11StackingGuard::raiseCovered()
{
    QList<std::uint32_t> ours;
    for (const QPointer<QWindow> &window : std::as_const(m_windows))
        if (window && window->handle())
            ours.append(static_cast<std::uint32_t>(window->winId()));
    if (ours.isEmpty())
        return;
    for (const std::uint32_t root : std::as_const(m_watchedRoots)) {
        const QList<std::uint32_t> stacking = stackingList(m_connection, root, m_stackingAtom);
        // Everything above our lowest window should be ours; each of our
        // windows with a stranger above it is raised.
        bool strangerAbove = false;
        for (qsizetype i = stacking.size() - 1; i >= 0; --i) {
            const std::uint32_t id = stacking[i];
            if (!ours.contains(id)) {
                strangerAbove = true;
                continue;
            }
            if (!strangerAbove)
                continue;
            for (const QPointer<QWindow> &window : std::as_const(m_windows))
                if (window && window->handle() && static_cast<std::uint32_t>(window->winId()) == id)
                    window->raise();
        }
    }
}

void X11StackingGuard::activeChanged()
{
    // Deferred: when the keyboard moves between two of our windows, the
    // application's focus window is already the new one by then.
    QMetaObject::invokeMethod(this, [this] {
        if (QGuiApplication::focusWindow() || m_windows.isEmpty() || !m_windows.first())
            return;
        QWindow *first = m_windows.first();
        if (!first->isVisible())
            return;
        first->raise();
        first->requestActivate();
    }, Qt::QueuedConnection);
}

} // namespace stirwell
