#pragma once

#include "models/BreakState.h"
#include "models/BreakType.h"
#include "models/SkipTier.h"
#include "runtime/Job.h"
#include "services/habits/Exercise.h"
#include "services/habits/ExerciseProvider.h"
#include "services/habits/RandomSource.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

namespace stirwell {

class BreakScheduler;
class Runtime;

// Which of the break overlay's screens a scheduler state shows.
enum class OverlayScreen { none, nudge, block, breakActive, completion };
[[nodiscard]] OverlayScreen overlayScreenFor(BreakState state);
[[nodiscard]] QString overlayScreenName(OverlayScreen screen);

// The view model behind one break overlay panel: the session of exercises
// and their rotation, the wait before the skip controls appear, and the
// figures fetched from the break engine when the session is prepared.
// One lives per panel and per break; timed steps run on the runtime.
class OverlayVM : public QObject {
    Q_OBJECT
    Q_PROPERTY(double breakTimeRemaining READ breakTimeRemaining NOTIFY changed)
    Q_PROPERTY(QVariantList exercises READ exerciseList NOTIFY changed)
    Q_PROPERTY(int currentExerciseIndex READ currentExerciseIndex NOTIFY changed)
    Q_PROPERTY(QVariantMap currentExercise READ currentExerciseMap NOTIFY changed)
    Q_PROPERTY(bool hasCurrentExercise READ hasCurrentExercise NOTIFY changed)
    Q_PROPERTY(QString breakType READ breakTypeName NOTIFY changed)
    Q_PROPERTY(QString breakTypeLabel READ breakTypeLabel NOTIFY changed)
    Q_PROPERTY(QString breakTypeIcon READ breakTypeIcon NOTIFY changed)
    Q_PROPERTY(QString breakDescription READ breakDescriptionText NOTIFY changed)
    Q_PROPERTY(int skipTier READ skipTierNumber NOTIFY changed)
    Q_PROPERTY(int skipWaitRemaining READ skipWaitRemaining NOTIFY changed)
    Q_PROPERTY(QString typingChallenge READ typingChallenge NOTIFY changed)
    Q_PROPERTY(QString typingInput READ typingInput WRITE setTypingInput NOTIFY changed)
    Q_PROPERTY(bool showSkipControls READ showSkipControls NOTIFY changed)
    Q_PROPERTY(bool skipValidationError READ skipValidationError NOTIFY changed)
    Q_PROPERTY(bool canSkip READ canSkip NOTIFY changed)
    Q_PROPERTY(bool canSnooze READ canSnooze NOTIFY changed)
    Q_PROPERTY(int streakDays READ streakDays NOTIFY changed)
    Q_PROPERTY(int snoozesRemaining READ snoozesRemaining NOTIFY changed)
    Q_PROPERTY(int sessionNumber READ sessionNumber NOTIFY changed)
    Q_PROPERTY(QString milestoneText READ milestoneText NOTIFY changed)
    Q_PROPERTY(QString milestoneIcon READ milestoneIcon NOTIFY changed)

public:
    // `runtime` must outlive this object. `animationDirectory` holds the
    // exercise animations ("<name>.json"); empty means none.
    OverlayVM(Runtime &runtime, ExerciseProvider exerciseProvider, RandomSource random,
              QString animationDirectory = {}, QObject *parent = nullptr);
    ~OverlayVM() override;

    // Prepares a break of `duration` seconds: builds the session, fetches the
    // skip tier, permissions, streak, session number and typing phrase, and
    // starts the skip wait.
    void prepareSession(int duration, BreakScheduler &scheduler);
    // Starts the exercise rotation once per session.
    Q_INVOKABLE void beginBreakSession();
    // Shows exercise `index` for its full duration; other indexes are ignored.
    Q_INVOKABLE void goToExercise(int index);
    // Tier 1 needs no phrase; otherwise the typed text is checked by the
    // engine and `skipValidationError` reflects the answer.
    [[nodiscard]] bool attemptSkip(BreakScheduler &scheduler);
    Q_INVOKABLE QString getCompletionMessage() const;
    // Ends the skip wait and the rotation.
    Q_INVOKABLE void cleanup();

    // "%d:%02d" of whole seconds, negatives as 0.
    Q_INVOKABLE static QString formatTime(double seconds);

    [[nodiscard]] double breakTimeRemaining() const { return m_breakTimeRemaining; }
    [[nodiscard]] const QList<Exercise> &exercises() const { return m_exercises; }
    [[nodiscard]] QVariantList exerciseList() const;
    [[nodiscard]] int currentExerciseIndex() const { return m_currentExerciseIndex; }
    [[nodiscard]] std::optional<Exercise> currentExercise() const;
    [[nodiscard]] QVariantMap currentExerciseMap() const;
    [[nodiscard]] bool hasCurrentExercise() const { return currentExercise().has_value(); }
    [[nodiscard]] BreakType breakType() const { return m_breakType; }
    [[nodiscard]] QString breakTypeName() const { return rawValue(m_breakType); }
    [[nodiscard]] QString breakTypeLabel() const { return label(m_breakType); }
    [[nodiscard]] QString breakTypeIcon() const { return icon(m_breakType); }
    [[nodiscard]] QString breakDescriptionText() const { return breakDescription(m_breakType); }
    [[nodiscard]] SkipTier skipTier() const { return m_skipTier; }
    [[nodiscard]] int skipTierNumber() const { return rawValue(m_skipTier); }
    [[nodiscard]] int skipWaitRemaining() const { return m_skipWaitRemaining; }
    [[nodiscard]] const QString &typingChallenge() const { return m_typingChallenge; }
    [[nodiscard]] const QString &typingInput() const { return m_typingInput; }
    void setTypingInput(const QString &text);
    [[nodiscard]] bool showSkipControls() const { return m_showSkipControls; }
    [[nodiscard]] bool skipValidationError() const { return m_skipValidationError; }
    [[nodiscard]] bool canSkip() const { return m_canSkip; }
    [[nodiscard]] bool canSnooze() const { return m_canSnooze; }
    [[nodiscard]] int streakDays() const { return m_streakDays; }
    [[nodiscard]] int snoozesRemaining() const { return m_snoozesRemaining; }
    [[nodiscard]] int sessionNumber() const { return m_sessionNumber; }
    [[nodiscard]] bool breakSessionStarted() const { return m_breakSessionStarted; }
    // The streak milestone reached today, for the completion capsule
    // ("1 week streak!"); empty when the streak is at no milestone.
    [[nodiscard]] QString milestoneText() const;
    [[nodiscard]] QString milestoneIcon() const;

    // How an exercise is drawn: its animation file when one resolves,
    // otherwise its category's icon and colour.
    [[nodiscard]] static QVariantMap describe(const Exercise &exercise, const QString &animationDirectory);
    // The animation of an exercise: its own named animation when the file
    // loads; otherwise its category's, when that file is larger than
    // 10000 bytes and loads. Unreadable files count as missing.
    [[nodiscard]] static std::optional<QString> resolveAnimation(const Exercise &exercise,
                                                                 const QString &animationDirectory);
    [[nodiscard]] static QString categoryIcon(ExerciseCategory category);
    [[nodiscard]] static QString categoryColor(ExerciseCategory category);

signals:
    void changed();

private:
    void startSkipWaitCountdown();
    void startExerciseRotation();
    void scheduleRotationStep();

    Runtime &m_runtime;
    ExerciseProvider m_exerciseProvider;
    RandomSource m_random;
    QString m_animationDirectory;

    double m_breakTimeRemaining = 0;
    QList<Exercise> m_exercises;
    int m_currentExerciseIndex = 0;
    BreakType m_breakType = BreakType::movement;
    SkipTier m_skipTier = SkipTier::tier1;
    int m_skipWaitRemaining = 0;
    QString m_typingChallenge;
    QString m_typingInput;
    bool m_showSkipControls = false;
    bool m_skipValidationError = false;
    bool m_canSkip = true;
    bool m_canSnooze = true;
    int m_streakDays = 0;
    int m_snoozesRemaining = 5;
    int m_sessionNumber = 0;
    Job m_waitCountdownTask;
    Job m_exerciseRotationTask;
    bool m_breakSessionStarted = false;
};

} // namespace stirwell
