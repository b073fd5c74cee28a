#pragma once

#include "app/shell/AppDelegate.h"
#include "features/menubar/MenuBarVM.h"
#include "platform/linux/LinuxMeetingSignals.h"
#include "platform/linux/network/QtNetworkHttpClient.h"
#include "services/engine/BreakScheduler.h"
#include "services/engine/CircadianEngine.h"
#include "services/habits/HabitServices.h"
#include "services/meetings/MeetingDetector.h"
#include "services/observability/HttpObservabilityClient.h"
#include "services/observability/ObservabilityService.h"
#include "services/observability/TimerDiagnosticsLogger.h"
#include "services/ports/DashboardUploader.h"
#include "services/storage/FilePreferencesStore.h"
#include "services/system/IdleDetector.h"
#include "services/system/NotificationServer.h"
#include "services/system/NotificationService.h"
#include "services/system/OncePerTokenGate.h"
#include "services/system/SessionEventSource.h"
#include "services/system/SoundPlayer.h"
#include "services/system/SoundService.h"

#include <QObject>
#include <QString>

#include <memory>

namespace stirwell {

class MomentLog;
class Runtime;
class TrayController;

struct StirwellOptions {
    // Where screen captures of every overlay state are written (demos);
    // empty: none. Captures make the fades instant.
    QString captureDirectory;
    // Print each state change on standard output.
    bool printStates = false;
    // Where the tray, state changes and first frames of break screens are
    // stamped (when enabled); null: nowhere. Outlives the application.
    const MomentLog *moments = nullptr;
    // End the process once the first break is over (demos).
    bool exitAfterBreak = false;
    // Where the data files live ("daily-records.json", diagnostics).
    QString dataDirectory;
    // Installed resources ("sounds", "animations").
    QString shareDirectory;
};

// The composition root: builds every long-lived service once, hands the same
// instances to the views and to each other, and connects them.
class StirwellApp : public QObject {
    Q_OBJECT
public:
    static inline const QString kOnboardingCompletedKey = QStringLiteral("onboardingCompleted");
    static inline const QString kWalkingMeetingKey = QStringLiteral("lastWalkingMeetingSuggestionID");
    static inline const QString kDashboardURLKey = QStringLiteral("dashboardURL");

    StirwellApp(Runtime &runtime, StirwellOptions options, QObject *parent = nullptr);
    ~StirwellApp() override;

    // Launch, then the one-time setup (the tray is created by then, or as
    // soon as a tray host appears).
    void launch();
    // Runs once; later calls do nothing.
    void setup();

    [[nodiscard]] AppDelegate &appDelegate() { return m_appDelegate; }
    [[nodiscard]] BreakScheduler &scheduler() { return m_scheduler; }
    [[nodiscard]] MeetingDetector &meetingDetector() { return m_meetingDetector; }
    [[nodiscard]] bool showOnboarding() const { return m_showOnboarding; }

private:
    // What the overlay does when the engine's state changes (after the
    // change, with the values current then).
    void schedulerStateChanged(BreakState, BreakState);
    void captureOverlay(BreakState state);
    void completeOnboarding(CommitmentMode mode);

    Runtime &m_runtime;
    StirwellOptions m_options;
    FilePreferencesStore m_preferences;
    TimerDiagnosticsLogger m_diagnostics;
    QtNetworkHttpClient m_http;
    HttpObservabilityClient m_observabilityClient;
    ObservabilityService m_observability;
    HabitServices m_habits;
    std::unique_ptr<SessionEventSource> m_sessionEvents;
    AppDelegate m_appDelegate;
    IdleDetector m_idleDetector;
    std::unique_ptr<SoundPlayer> m_soundPlayer;
    SoundService m_soundService;
    CircadianEngine m_circadianEngine;
    NoDashboardUploader m_dashboardSync;
    std::unique_ptr<NotificationServer> m_notificationServer;
    NotificationService m_notificationService;
    BreakScheduler m_scheduler;
    LinuxMeetingSignals m_meetingSignals;
    OncePerTokenGate m_walkingMeetingGate;
    MeetingDetector m_meetingDetector;
    MenuBarVM m_menuBarVM;
    std::unique_ptr<TrayController> m_tray;
    bool m_showOnboarding;
    bool m_setupComplete = false;
    bool m_sawCompletion = false;
    int m_captureCount = 0;
};

} // namespace stirwell
