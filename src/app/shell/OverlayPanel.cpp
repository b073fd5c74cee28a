#include "app/shell/OverlayPanel.h"

#include "app/shell/MomentLog.h"
#include "services/engine/BreakScheduler.h"
#include "services/habits/HabitServices.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQuickWindow>
#include <QScreen>

#include <cmath>

namespace stirwell {

OverlayPanel::OverlayPanel(QQmlComponent &component, QScreen *screen, const OverlayPanelContext &context,
                           QObject *parent)
    : QObject(parent)
    , m_scheduler(context.scheduler)
    , m_facts(context.habits.healthFacts())
    , m_healthFact(m_facts.randomDisplay())
    , m_vm(context.runtime, context.habits.makeExerciseProvider(), systemRandomSource(), context.animationDirectory)
    , m_skip(m_vm, context.scheduler, context.preferences)
    , m_moments(context.moments)
{
    // The session is prepared before the window exists, so the first frame
    // already shows it.
    m_vm.prepareSession(static_cast<int>(std::trunc(m_scheduler.breakDurationSeconds())), m_scheduler);
    if (m_scheduler.state() == BreakState::breakActive)
        m_vm.beginBreakSession();

    QObject *created = component.createWithInitialProperties({
        {QStringLiteral("vm"), QVariant::fromValue(static_cast<QObject *>(&m_vm))},
        {QStringLiteral("skip"), QVariant::fromValue(static_cast<QObject *>(&m_skip))},
        {QStringLiteral("scheduler"), QVariant::fromValue(static_cast<QObject *>(&m_scheduler))},
        {QStringLiteral("panel"), QVariant::fromValue(static_cast<QObject *>(this))},
        {QStringLiteral("instant"), context.instant},
    });
    m_window = qobject_cast<QQuickWindow *>(created);
    if (!m_window) {
        delete created;
        return;
    }
    m_window->setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_window->setScreen(screen);
    m_window->setGeometry(screen->geometry());
    connect(m_window, SIGNAL(fadedOut()), this, SLOT(deleteLater()));
}

OverlayPanel::~OverlayPanel()
{
    m_vm.cleanup();
    delete m_window.data();
}

void OverlayPanel::showAndFadeIn()
{
    if (!m_window)
        return;
    if (m_moments && m_moments->isEnabled()) {
        // The first frame handed to the window system after showing; may
        // come from the render thread, so only copies are used there.
        const MomentLog *moments = m_moments;
        const QScreen *screen = m_window->screen();
        const QString where = screen ? QStringLiteral("screen %1 of %2 \"%3\" %4x%5+%6+%7")
                                           .arg(QGuiApplication::screens().indexOf(screen) + 1)
                                           .arg(QGuiApplication::screens().size())
                                           .arg(screen->name())
                                           .arg(screen->geometry().width())
                                           .arg(screen->geometry().height())
                                           .arg(screen->geometry().x())
                                           .arg(screen->geometry().y())
                                     : QStringLiteral("?");
        connect(m_window, &QQuickWindow::frameSwapped, this,
                [moments, where] { moments->print(QStringLiteral("overlay first frame on %1").arg(where)); },
                static_cast<Qt::ConnectionType>(Qt::DirectConnection | Qt::SingleShotConnection));
    }
    m_window->showFullScreen();
    bringForward();
    QMetaObject::invokeMethod(m_window, "fadeIn");
}

void OverlayPanel::fadeOut()
{
    m_vm.cleanup();
    if (!m_window) {
        deleteLater();
        return;
    }
    if (m_fadingOut)
        return;
    m_fadingOut = true;
    QMetaObject::invokeMethod(m_window, "fadeOut");
}

void OverlayPanel::bringForward()
{
    if (!m_window)
        return;
    m_window->raise();
    m_window->requestActivate();
}

QImage OverlayPanel::capture() { return m_window ? m_window->grabWindow() : QImage(); }

void OverlayPanel::startBreak() { m_scheduler.startBreakTimer(); }

void OverlayPanel::snooze()
{
    if (m_scheduler.canSnoozeBreak())
        m_scheduler.snooze();
}

QString OverlayPanel::nextHealthFact()
{
    m_healthFact = m_facts.randomDisplay();
    return m_healthFact;
}

} // namespace stirwell
