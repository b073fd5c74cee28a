#pragma once

#include "app/core/SessionWiring.h"
#include "app/shell/OverlayPanel.h"
#include "app/shell/X11StackingGuard.h"
#include "models/CommitmentMode.h"
#include "services/system/SleepWakeObserver.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <memory>

class QQmlComponent;
class QQmlEngine;
class QScreen;


namespace stirwell {

class AnalyticsSink;
class MeetingDetector;
class NotificationService;
class ObservabilityService;
class PreferencesStore;
class Runtime;
class SessionEventSource;

// The application's side of the window system: launch and shut-down, the
// quit guard, the emergency shortcut, sleep and lock relayed into the break
// engine, and the windows that are not ordinary views: one overlay panel per
// screen while a break is shown, the floating eye-break panel, and the
// first-launch window.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    AppDelegate(Runtime &runtime, SessionEventSource &sessionEvents, PreferencesStore &preferences,
                ObservabilityService &observability, QObject *parent = nullptr);
    ~AppDelegate() override;

    // What the panels are built from; set by the application's setup.
    void setOverlayContext(std::unique_ptr<OverlayPanelContext> context);

    // Launch: analytics, sleep/lock relays, screen changes, shortcut.
    void applicationDidFinishLaunching();
    // The quit guard: false while a break is due or under way (the overlay
    // is brought forward instead). Only the user's own quit asks it.
    [[nodiscard]] bool applicationShouldTerminate();
    // The user asked to quit (menu, Ctrl+Q): quits unless the guard refuses.
    bool requestUserQuit();
    void applicationWillTerminate();

    void showOnboarding(std::function<void(CommitmentMode)> onComplete);
    [[nodiscard]] bool isOnboardingOpen() const { return m_onboardingWindow != nullptr; }

    void showOverlay();
    void hideOverlay();
    [[nodiscard]] bool isOverlayVisible() const { return !m_overlayPanels.isEmpty(); }
    [[nodiscard]] QList<OverlayPanel *> overlayPanels() const;
    void cleanupStalePanels();

    // The floating eye-break panel's slot: one window at most.
    void showMicroBreakPanel(std::unique_ptr<QWindow> panel);
    void hideMicroBreakPanel();

    // A second launch asked this one to come forward.
    void bringForward();

    // Set by the application's setup.
    // Plain pointers: the application owns these and outlives the delegate's
    // use of them; null until the setup has run.
    BreakScheduler *scheduler = nullptr;
    MeetingDetector *meetingDetector = nullptr;
    NotificationService *notificationService = nullptr;

    [[nodiscard]] SessionWiring &wiring() { return m_wiring; }
    [[nodiscard]] SleepWakeObserver &sleepWakeObserver() { return m_sleepWakeObserver; }

signals:
    void overlayShown();
    void overlayHidden();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void emergencyBypass();
    [[nodiscard]] QQmlComponent *overlayComponent();
    void overlayPanelDestroyed();

    // Keyed by screen; a key is only compared, never used after its screen
    // is gone.
    QMap<QScreen *, OverlayPanel *> m_overlayPanels;
    std::unique_ptr<QWindow> m_microBreakPanel;
    // Keeps the panels in front on X11; created with the first break screen.
    std::unique_ptr<X11StackingGuard> m_stackingGuard;
    bool m_stackingGuardTried = false;
    SleepWakeObserver m_sleepWakeObserver;
    QPointer<QWidget> m_onboardingWindow;
    QMetaObject::Connection m_screenAdded;
    QMetaObject::Connection m_screenRemoved;

    PreferencesStore &m_preferences;
    ObservabilityService &m_observability;
    SessionWiring m_wiring;
    std::unique_ptr<OverlayPanelContext> m_overlayContext;
    // The QML engine exists only while break screens do: made with the
    // first panel of a break, dropped after the last one is gone, so that an
    // application that only counts in the tray stays small.
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<QQmlComponent> m_component;
};

} // namespace stirwell
