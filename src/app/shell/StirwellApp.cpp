#include "app/shell/StirwellApp.h"

#include "app/core/StartupSettings.h"
#include "app/shell/MomentLog.h"
#include "app/shell/TrayController.h"
#include "platform/linux/LinuxSystemIntegration.h"
#include "runtime/Runtime.h"
#include "services/observability/ObservabilityProviderConfiguration.h"
#include "services/system/IdleTimeSource.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QQuickWindow>
#include <QTextStream>

namespace stirwell {

namespace {

IdleDetector::IdleTimeProvider linuxIdleTimeProvider(const Runtime &runtime, TimerDiagnosticsLogger &diagnostics)
{
    return idleTimeProvider(
        selectIdleTimeSource(linuxIdleTimeSourceCandidates(LinuxSessionFacts::fromEnvironment(), runtime), &diagnostics));
}

QString appId() { return QStringLiteral("com.stirwell.app"); }

} // namespace

StirwellApp::StirwellApp(Runtime &runtime, StirwellOptions options, QObject *parent)
    : QObject(parent)
    , m_runtime(runtime)
    , m_options(std::move(options))
    , m_diagnostics(m_preferences, runtime, m_options.dataDirectory)
    , m_observabilityClient(m_http, runtime)
    , m_observability(m_preferences, ObservabilityProviderConfiguration::fromBuild(), m_observabilityClient)
    , m_habits(runtime, m_preferences, m_options.dataDirectory, systemRandomSource())
    , m_sessionEvents(createLinuxSessionEventSource())
    , m_appDelegate(runtime, *m_sessionEvents, m_preferences, m_observability)
    , m_idleDetector(runtime, linuxIdleTimeProvider(runtime, m_diagnostics))
    , m_soundPlayer(createLinuxSoundPlayer(appId(), QStringLiteral("Stirwell")))
    , m_soundService(*m_soundPlayer, m_preferences, m_options.shareDirectory + QStringLiteral("/sounds"))
    , m_circadianEngine(runtime)
    , m_notificationServer(createLinuxNotificationServer(appId(), QStringLiteral("Stirwell")))
    , m_notificationService(*m_notificationServer, m_preferences, runtime)
    , m_scheduler(runtime, m_idleDetector, m_habits.snoozeBudget(), m_habits.skipFriction(), m_habits.streakTracker(),
                  m_soundService, m_circadianEngine, m_dashboardSync, m_notificationService, m_observability,
                  &m_diagnostics)
    , m_meetingSignals(runtime, m_preferences)
    , m_walkingMeetingGate(kWalkingMeetingKey, m_preferences)
    , m_meetingDetector(runtime, m_preferences, m_meetingSignals.sources(),
                        [this](const QString &token) { return m_walkingMeetingGate.claim(token); }, &m_diagnostics)
    , m_menuBarVM(m_preferences)
    , m_showOnboarding(!m_preferences.boolValue(kOnboardingCompletedKey).value_or(false))
{
    auto context = std::make_unique<OverlayPanelContext>(OverlayPanelContext{
        runtime, m_scheduler, m_habits, m_preferences, m_options.shareDirectory + QStringLiteral("/animations"),
        !m_options.captureDirectory.isEmpty(), m_options.moments});
    m_appDelegate.setOverlayContext(std::move(context));

    // Stamped at the change itself: break-screen latency counts from here.
    if (m_options.printStates && m_options.moments)
        connect(&m_scheduler, &BreakScheduler::stateChanged, this, [this](BreakState newState, BreakState oldState) {
            m_options.moments->print(QStringLiteral("%1 state %2 -> %3")
                                         .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")),
                                              rawValue(oldState), rawValue(newState)));
        });
    // The state-change handler runs after the change, once per change.
    connect(&m_scheduler, &BreakScheduler::stateChanged, this, &StirwellApp::schedulerStateChanged,
            Qt::QueuedConnection);
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            [this] { m_appDelegate.applicationWillTerminate(); });
}

StirwellApp::~StirwellApp()
{
    m_tray.reset();
    m_scheduler.onQuietHoursChanged = {};
    m_scheduler.upcomingMeetingProvider = {};
}

void StirwellApp::launch()
{
    m_appDelegate.applicationDidFinishLaunching();
    m_tray = std::make_unique<TrayController>(m_menuBarVM, m_scheduler, m_meetingDetector, m_appDelegate);
    if (m_options.moments)
        connect(m_tray.get(), &TrayController::trayShown, this,
                [this] { m_options.moments->print(QStringLiteral("tray ready")); });
    m_tray->start();
    setup();
}

void StirwellApp::setup()
{
    if (m_setupComplete)
        return;
    m_setupComplete = true;

    m_appDelegate.scheduler = &m_scheduler;
    m_appDelegate.meetingDetector = &m_meetingDetector;
    m_appDelegate.notificationService = &m_notificationService;
    SessionWiring &wiring = m_appDelegate.wiring();
    wiring.setScheduler(&m_scheduler);

    // Meetings pause the engine and offer a break afterwards.
    QPointer<NotificationService> notifications(&m_notificationService);
    m_meetingDetector.onMeetingStarted = [&wiring] { wiring.meetingStarted(); };
    m_meetingDetector.onMeetingEnded = [&wiring](int minutes) { wiring.meetingEnded(minutes); };
    m_meetingDetector.onPostMeetingBreakReady = [&wiring](int minutes) { wiring.postMeetingBreakReady(minutes); };
    m_meetingDetector.onWalkingMeetingSuggestion = [notifications](const QString &title) {
        if (NotificationService *service = notifications.data())
            service->sendWalkingMeetingSuggestion(title);
    };
    QPointer<MeetingDetector> detector(&m_meetingDetector);
    m_scheduler.upcomingMeetingProvider = [detector]() -> std::optional<UpcomingMeeting> {
        if (const MeetingDetector *d = detector.data())
            return d->upcomingMeeting();
        return std::nullopt;
    };
    m_meetingDetector.setDetectBrowserMeetings(
        m_preferences.boolValue(MeetingDetector::kDetectBrowserMeetingsKey).value_or(true));
    connect(&m_preferences, &PreferencesStore::changed, this, [this](const QString &key) {
        if (key == MeetingDetector::kDetectBrowserMeetingsKey)
            m_meetingDetector.setDetectBrowserMeetings(
                m_preferences.boolValue(MeetingDetector::kDetectBrowserMeetingsKey).value_or(true));
    });
    m_meetingDetector.start();

    m_notificationService.requestPermission();
    m_scheduler.onQuietHoursChanged = [&wiring](bool inside) { wiring.quietHoursChanged(inside); };

    if (!m_showOnboarding) {
        applyStoredSettingsAndStart(m_preferences, m_runtime, m_scheduler, {});
        m_menuBarVM.setStreakDays(m_scheduler.getStreakDays());
    } else {
        m_appDelegate.showOnboarding([this](CommitmentMode mode) { completeOnboarding(mode); });
    }
}

void StirwellApp::completeOnboarding(CommitmentMode mode)
{
    m_preferences.setBool(kOnboardingCompletedKey, true);
    m_scheduler.configure(mode);
    m_scheduler.start();
    m_showOnboarding = false;
}

void StirwellApp::schedulerStateChanged(BreakState, BreakState)
{
    // Use the state current now: the handler runs after the change.
    const BreakState state = m_scheduler.state();
    const bool presenting = m_meetingDetector.currentState().suppressOverlays();
    if (isOverlayVisible(state)) {
        if (!m_appDelegate.isOverlayVisible()) {
            if (presenting)
                m_notificationService.sendBreakReminder(m_scheduler.currentBreakType());
            else
                m_appDelegate.showOverlay();
        }
        if (state == BreakState::completed) {
            m_sawCompletion = true;
            m_menuBarVM.setStreakDays(m_scheduler.getStreakDays());
        }
        if (!m_options.captureDirectory.isEmpty())
            captureOverlay(state);
    } else {
        if (m_appDelegate.isOverlayVisible())
            m_appDelegate.hideOverlay();
        if (m_options.exitAfterBreak && state == BreakState::counting && m_sawCompletion)
            QCoreApplication::quit();
    }
}

void StirwellApp::captureOverlay(BreakState state)
{
    QDir().mkpath(m_options.captureDirectory);
    const QList<OverlayPanel *> panels = m_appDelegate.overlayPanels();
    ++m_captureCount;
    for (int i = 0; i < panels.size(); ++i) {
        const QString path = QDir(m_options.captureDirectory)
                                 .filePath(QStringLiteral("%1-%2-screen%3.png")
                                               .arg(m_captureCount, 2, 10, QLatin1Char('0'))
                                               .arg(rawValue(state))
                                               .arg(i + 1));
        OverlayPanel *panel = panels[i];
        auto save = [this, panel, path] {
            if (!m_appDelegate.overlayPanels().contains(panel))
                return; // gone meanwhile
            const QImage image = panel->capture();
            if (!image.isNull() && image.save(path))
                QTextStream(stdout) << "screenshot " << path << Qt::endl;
        };
        QQuickWindow *window = panel->window();
        // A window just shown has not been laid out yet: capture after its
        // first frame.
        if (window && !window->isExposed())
            connect(window, &QQuickWindow::frameSwapped, this, save,
                    static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
        else
            save();
    }
}

} // namespace stirwell
