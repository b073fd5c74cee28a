#pragma once

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWindow>

#include <cstdint>
#include <memory>

struct xcb_connection_t;

namespace stirwell {

// Keeps the break windows in front on an X11 window manager while a break is
// shown. The windows already ask to stay above (_NET_WM_STATE_ABOVE); this
// covers what that leaves open: another "above" or full-screen window raised
// over them, or the keyboard moving to another application.
//
// Event-driven: it listens to the window manager's stacking list on the root
// windows (_NET_CLIENT_LIST_STACKING) and to the windows' activation; a
// window found below another application's window is raised again, and when
// the keyboard has left every window of this application the first window
// takes it back. Costs nothing while no windows are guarded. Without a
// window manager there is no stacking list and nothing to do.
class X11StackingGuard : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Null unless the application runs on X11 (the xcb platform).
    [[nodiscard]] static std::unique_ptr<X11StackingGuard> create(QObject *parent = nullptr);
    ~X11StackingGuard() override;

    // Guards these windows from now on (the first one takes the keyboard
    // back); replaces the windows guarded before. An empty list ends guarding.
    void guard(const QList<QWindow *> &windows);
    void release() { guard({}); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    X11StackingGuard(xcb_connection_t *connection, QObject *parent);
    void scheduleCheck();
    // Raises every guarded window that has another client's window above it.
    void raiseCovered();
    void activeChanged();
    void watchRoot(std::uint32_t root);

    xcb_connection_t *m_connection;
    std::uint32_t m_stackingAtom = 0;
    QList<QPointer<QWindow>> m_windows;
    QList<std::uint32_t> m_watchedRoots;
    bool m_filtering = false;
    bool m_checkPending = false;
};

} // namespace stirwell
