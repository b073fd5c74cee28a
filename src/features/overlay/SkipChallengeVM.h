#pragma once

#include <QObject>
#include <QString>

namespace stirwell {

class BreakScheduler;
class OverlayVM;
class PreferencesStore;

// The skip panel at the bottom of the break overlay: what it shows follows
// today's skip tier and streak (fetched by the overlay's view model); the
// decision is the break engine's.
class SkipChallengeVM : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString buttonLabel READ buttonLabel NOTIFY changed)
    // The panel's background tint as "#AARRGGBB"; "transparent" for none.
    Q_PROPERTY(QString tint READ tint NOTIFY changed)
    Q_PROPERTY(bool showExplanation READ showExplanation NOTIFY changed)
    Q_PROPERTY(bool showStreakAtRisk READ showStreakAtRisk NOTIFY changed)
    Q_PROPERTY(QString streakAtRiskText READ streakAtRiskText NOTIFY changed)
    Q_PROPERTY(bool showStreakLoss READ showStreakLoss NOTIFY changed)
    Q_PROPERTY(QString streakLossText READ streakLossText NOTIFY changed)
    Q_PROPERTY(bool showTypingChallenge READ showTypingChallenge NOTIFY changed)

public:
    static inline const QString kHasSeenExplanationKey = QStringLiteral("hasSeenSkipExplanation");
    static inline const QString kExplanationText =
        QStringLiteral("Skipping gets progressively harder to help you build the habit.");
    static inline const QString kValidationErrorText = QStringLiteral("Doesn't match. Type it exactly.");

    // All three must outlive this object.
    SkipChallengeVM(OverlayVM &overlay, BreakScheduler &scheduler, PreferencesStore &preferences,
                    QObject *parent = nullptr);

    [[nodiscard]] QString buttonLabel() const;
    [[nodiscard]] QString tint() const;
    // Decided when the panel is built: a panel that shows the explanation
    // keeps it for its whole life, so it can be read; later panels never
    // show it again.
    [[nodiscard]] bool showExplanation() const { return m_showExplanation; }
    [[nodiscard]] bool showStreakAtRisk() const;
    [[nodiscard]] QString streakAtRiskText() const;
    [[nodiscard]] bool showStreakLoss() const;
    [[nodiscard]] QString streakLossText() const;
    [[nodiscard]] bool showTypingChallenge() const;

    // The explanation row has been shown: remembered for good.
    Q_INVOKABLE void explanationShown();
    // Checks the challenge and, when met, confirms the skip with the engine.
    // Returns whether the break was skipped.
    Q_INVOKABLE bool skip();

signals:
    void changed();

private:
    OverlayVM &m_overlay;
    BreakScheduler &m_scheduler;
    PreferencesStore &m_preferences;
    bool m_showExplanation;
};

} // namespace stirwell
