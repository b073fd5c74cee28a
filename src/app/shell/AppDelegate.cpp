#include "app/shell/AppDelegate.h"

#include "app/shell/OnboardingWindow.h"
#include "app/shell/SymbolIcons.h"
#include "services/engine/BreakScheduler.h"
#include "services/meetings/MeetingDetector.h"
#include "services/observability/ObservabilityService.h"
#include "services/storage/PreferencesStore.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QScreen>
#include <QSet>
#include <QTextStream>

#include <malloc.h>

namespace stirwell {

AppDelegate::AppDelegate(Runtime &runtime, SessionEventSource &sessionEvents, PreferencesStore &preferences,
                         ObservabilityService &observability, QObject *parent)
    : QObject(parent)
    , m_sleepWakeObserver(runtime, sessionEvents)
    , m_preferences(preferences)
    , m_observability(observability)
{
}

AppDelegate::~AppDelegate()
{
    for (OverlayPanel *panel : std::as_const(m_overlayPanels))
        delete panel;
    m_overlayPanels.clear();
    // Panels still fading out are children; they go before the engine.
    qDeleteAll(findChildren<OverlayPanel *>(Qt::FindDirectChildrenOnly));
    m_component.reset();
    m_engine.reset();
    delete m_onboardingWindow.data();
}

void AppDelegate::setOverlayContext(std::unique_ptr<OverlayPanelContext> context)
{
    m_overlayContext = std::move(context);
}

void AppDelegate::applicationDidFinishLaunching()
{
    // L1: consent, then the launch event.
    m_observability.configureFromDefaults();
    m_observability.track(AnalyticsEvent::appLaunched);

    // L3: sleep and lock into the engine (and the eye-break cadence).
    m_sleepWakeObserver.onSleep = [this] { m_wiring.machineWillSleep(); };
    m_sleepWakeObserver.onWake = [this] { m_wiring.machineDidWake(); };
    m_sleepWakeObserver.onScreensLocked = [this] { m_wiring.screensLocked(); };
    m_sleepWakeObserver.onScreensUnlocked = [this] { m_wiring.screensUnlocked(); };
    m_sleepWakeObserver.start();

    // L4: screens that go away take their panels with them. Run after the
    // change so that the list of screens is the new one.
    auto *app = qGuiApp;
    disconnect(m_screenAdded);
    disconnect(m_screenRemoved);
    m_screenRemoved = connect(app, &QGuiApplication::screenRemoved, this, &AppDelegate::cleanupStalePanels,
                              Qt::QueuedConnection);
    m_screenAdded = connect(app, &QGuiApplication::screenAdded, this, &AppDelegate::cleanupStalePanels,
                            Qt::QueuedConnection);

    // L5: the emergency shortcut and the quit key, seen before any window.
    app->installEventFilter(this);
}

bool AppDelegate::applicationShouldTerminate()
{
    if (scheduler && scheduler->isActive() && preventsQuit(scheduler->state())) {
        bringForward();
        return false;
    }
    return true;
}

bool AppDelegate::requestUserQuit()
{
    if (!applicationShouldTerminate())
        return false;
    QCoreApplication::quit();
    return true;
}

void AppDelegate::applicationWillTerminate()
{
    m_observability.track(AnalyticsEvent::appTerminated);
    m_sleepWakeObserver.stop();
    if (meetingDetector)
        meetingDetector->stop();
    disconnect(m_screenAdded);
    disconnect(m_screenRemoved);
}

void AppDelegate::showOnboarding(std::function<void(CommitmentMode)> onComplete)
{
    delete m_onboardingWindow.data();
    auto *window = new OnboardingWindow([this, onComplete = std::move(onComplete)](CommitmentMode mode) {
        if (onComplete)
            onComplete(mode);
        if (m_onboardingWindow)
            m_onboardingWindow->close();
    });
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_onboardingWindow = window;
    window->show();
    window->raise();
    window->activateWindow();
}

QQmlComponent *AppDelegate::overlayComponent()
{
    if (!m_engine) {
        m_engine = std::make_unique<QQmlEngine>();
        m_engine->addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
        m_component = std::make_unique<QQmlComponent>(
            m_engine.get(), QUrl(QStringLiteral("qrc:/stirwell/overlay/OverlayWindow.qml")), QQmlComponent::PreferSynchronous);
        if (m_component->isError())
            QTextStream(stderr) << "stirwell: the break screen did not load: " << m_component->errorString() << '\n';
    }
    return m_component->isReady() ? m_component.get() : nullptr;
}

void AppDelegate::showOverlay()
{
    hideOverlay();
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty() || !m_overlayContext)
        return;
    QQmlComponent *component = overlayComponent();
    if (!component)
        return;
    for (QScreen *screen : screens) {
        auto *panel = new OverlayPanel(*component, screen, *m_overlayContext, this);
        if (!panel->isValid()) {
            delete panel;
            continue;
        }
        delete m_overlayPanels.value(screen);
        m_overlayPanels.insert(screen, panel);
        connect(panel, &QObject::destroyed, this, &AppDelegate::overlayPanelDestroyed);
        panel->showAndFadeIn();
    }
    // The first screen's panel takes the keyboard.
    if (!m_overlayPanels.isEmpty()) {
        OverlayPanel *keyboardPanel = m_overlayPanels.value(screens.first(), m_overlayPanels.first());
        keyboardPanel->bringForward();
        if (!m_stackingGuardTried) {
            m_stackingGuardTried = true;
            m_stackingGuard = X11StackingGuard::create();
        }
        if (m_stackingGuard) {
            QList<QWindow *> windows{keyboardPanel->window()};
            for (OverlayPanel *panel : std::as_const(m_overlayPanels))
                if (panel != keyboardPanel)
                    windows.append(panel->window());
            m_stackingGuard->guard(windows);
        }
    }
    emit overlayShown();
}

void AppDelegate::hideOverlay()
{
    const QList<OverlayPanel *> panels = m_overlayPanels.values();
    m_overlayPanels.clear();
    if (m_stackingGuard)
        m_stackingGuard->release();
    for (OverlayPanel *panel : panels)
        panel->fadeOut();
    if (!panels.isEmpty())
        emit overlayHidden();
}

QList<OverlayPanel *> AppDelegate::overlayPanels() const { return m_overlayPanels.values(); }

void AppDelegate::overlayPanelDestroyed()
{
    // Queued: the panel leaving is still among the children while it is
    // destroyed. Once the last break screen is gone, the QML engine goes too
    // and the freed heap is handed back to the system: about 5 MB for the
    // rest of the work period, against a fresh engine (a tenth of a second,
    // hidden by the fade-in) at the next break.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!findChildren<OverlayPanel *>(Qt::FindDirectChildrenOnly).isEmpty())
                return;
            m_component.reset();
            m_engine.reset();
            malloc_trim(0);
        },
        Qt::QueuedConnection);
}

void AppDelegate::cleanupStalePanels()
{
    QSet<QScreen *> attached;
    for (QScreen *screen : QGuiApplication::screens())
        attached.insert(screen);
    if (attached.isEmpty())
        return;
    for (auto it = m_overlayPanels.begin(); it != m_overlayPanels.end();) {
        if (attached.contains(it.key())) {
            ++it;
            continue;
        }
        it.value()->fadeOut();
        it = m_overlayPanels.erase(it);
    }
}

void AppDelegate::showMicroBreakPanel(std::unique_ptr<QWindow> panel)
{
    hideMicroBreakPanel();
    m_microBreakPanel = std::move(panel);
    if (m_microBreakPanel)
        m_microBreakPanel->show();
}

void AppDelegate::hideMicroBreakPanel() { m_microBreakPanel.reset(); }

void AppDelegate::bringForward()
{
    for (OverlayPanel *panel : std::as_const(m_overlayPanels))
        panel->bringForward();
    if (m_onboardingWindow) {
        m_onboardingWindow->raise();
        m_onboardingWindow->activateWindow();
    }
}

void AppDelegate::emergencyBypass()
{
    if (scheduler)
        scheduler->emergencyBypass(scheduler->currentMode());
    hideOverlay();
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    // Every key event reaches the filter once per object on its way; act on
    // the one addressed to a window.
    if (!watched->isWindowType())
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Q || key->isAutoRepeat())
        return false;
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    if (!(modifiers & Qt::ControlModifier))
        return false;
    if (modifiers & Qt::AltModifier)
        emergencyBypass();
    else
        requestUserQuit();
    return true;
}

} // namespace stirwell
