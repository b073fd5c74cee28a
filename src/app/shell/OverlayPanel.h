#pragma once

#include "features/overlay/OverlayVM.h"
#include "features/overlay/SkipChallengeVM.h"
#include "services/habits/HealthFacts.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QString>

#include <memory>

class QQmlComponent;
class QScreen;

namespace stirwell {

class BreakScheduler;
class HabitServices;
class MomentLog;
class PreferencesStore;
class Runtime;

// What every overlay panel is built from.
struct OverlayPanelContext {
    Runtime &runtime;
    BreakScheduler &scheduler;
    HabitServices &habits;
    PreferencesStore &preferences;
    QString animationDirectory;
    // Fades and slides take no time (screen captures of each state).
    bool instant = false;
    // Where each panel stamps its first frame on screen; null: nowhere.
    const MomentLog *moments = nullptr;
};

// One break overlay window on one screen: frameless, full screen, above
// other windows where the window system allows it, with its own view
// models. It fades itself in when shown and deletes itself once faded out.
class OverlayPanel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString healthFact READ healthFact CONSTANT)

public:
    OverlayPanel(QQmlComponent &component, QScreen *screen, const OverlayPanelContext &context,
                 QObject *parent = nullptr);
    ~OverlayPanel() override;

    [[nodiscard]] bool isValid() const { return m_window != nullptr; }
    [[nodiscard]] QQuickWindow *window() const { return m_window; }
    [[nodiscard]] QString healthFact() const { return m_healthFact; }

    void showAndFadeIn();
    // Fades out over 0.3 s and then deletes the panel.
    void fadeOut();
    // Brings the panel in front and gives it the keyboard.
    void bringForward();
    [[nodiscard]] QImage capture();

    Q_INVOKABLE void startBreak();
    Q_INVOKABLE void snooze();
    Q_INVOKABLE QString nextHealthFact();

private:
    BreakScheduler &m_scheduler;
    HealthFacts m_facts;
    QString m_healthFact;
    OverlayVM m_vm;
    SkipChallengeVM m_skip;
    const MomentLog *m_moments;
    QPointer<QQuickWindow> m_window;
    bool m_fadingOut = false;
};

} // namespace stirwell
