#include "features/overlay/OverlayVM.h"

#include "models/StreakMilestone.h"
#include "runtime/Runtime.h"
#include "services/engine/BreakScheduler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <cmath>

namespace stirwell {

namespace {

// A category's animation must be a real file, not a placeholder.
constexpr qint64 kMinimumCategoryAnimationBytes = 10000;

bool loadsAsAnimation(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    return document.isObject();
}

bool isMilestoneDay(int streakDays)
{
    for (StreakMilestone milestone : kAllStreakMilestones)
        if (days(milestone) == streakDays)
            return true;
    return false;
}

} // namespace

OverlayScreen overlayScreenFor(BreakState state)
{
    switch (state) {
    case BreakState::nudge: return OverlayScreen::nudge;
    case BreakState::softBlock:
    case BreakState::firmBlock: return OverlayScreen::block;
    case BreakState::hardBlock:
    case BreakState::breakActive: return OverlayScreen::breakActive;
    case BreakState::completed: return OverlayScreen::completion;
    case BreakState::counting:
    case BreakState::due:
    case BreakState::paused: return OverlayScreen::none;
    }
    return OverlayScreen::none;
}

QString overlayScreenName(OverlayScreen screen)
{
    switch (screen) {
    case OverlayScreen::none: return QStringLiteral("none");
    case OverlayScreen::nudge: return QStringLiteral("nudge");
    case OverlayScreen::block: return QStringLiteral("block");
    case OverlayScreen::breakActive: return QStringLiteral("breakActive");
    case OverlayScreen::completion: return QStringLiteral("completion");
    }
    return {};
}

OverlayVM::OverlayVM(Runtime &runtime, ExerciseProvider exerciseProvider, RandomSource random,
                     QString animationDirectory, QObject *parent)
    : QObject(parent)
    , m_runtime(runtime)
    , m_exerciseProvider(std::move(exerciseProvider))
    , m_random(std::move(random))
    , m_animationDirectory(std::move(animationDirectory))
{
}

OverlayVM::~OverlayVM() = default;

void OverlayVM::prepareSession(int duration, BreakScheduler &scheduler)
{
    m_breakType = scheduler.currentBreakType();
    m_exercises = m_exerciseProvider.buildSession(m_breakType, duration);
    m_currentExerciseIndex = 0;
    m_breakTimeRemaining = duration;
    m_typingInput.clear();
    m_skipValidationError = false;
    m_showSkipControls = false;
    m_breakSessionStarted = false;
    m_skipTier = scheduler.getSkipFrictionTier();
    m_canSkip = scheduler.canSkip();
    m_canSnooze = scheduler.canSnoozeBreak();
    m_snoozesRemaining = scheduler.getSnoozesRemaining();
    m_streakDays = scheduler.getStreakDays();
    m_sessionNumber = scheduler.getTodayCompleted(scheduler.currentMode()) + 1;
    if (const auto phrase = scheduler.getTypingChallenge())
        m_typingChallenge = *phrase;
    emit changed();
    startSkipWaitCountdown();
}

void OverlayVM::startSkipWaitCountdown()
{
    if (!m_canSkip) {
        m_showSkipControls = false;
        emit changed();
        return;
    }
    m_skipWaitRemaining = waitSeconds(m_skipTier);
    m_showSkipControls = false;
    m_waitCountdownTask.cancel();
    if (m_skipWaitRemaining < 1) {
        m_showSkipControls = true;
        emit changed();
        return;
    }
    emit changed();
    m_waitCountdownTask = m_runtime.repeatWhile(1, [this] {
        --m_skipWaitRemaining;
        if (m_skipWaitRemaining < 1)
            m_showSkipControls = true;
        emit changed();
        return m_skipWaitRemaining >= 1;
    });
}

void OverlayVM::beginBreakSession()
{
    if (m_breakSessionStarted)
        return;
    m_breakSessionStarted = true;
    m_currentExerciseIndex = 0;
    emit changed();
    startExerciseRotation();
}

void OverlayVM::startExerciseRotation()
{
    m_exerciseRotationTask.cancel();
    scheduleRotationStep();
}

void OverlayVM::scheduleRotationStep()
{
    if (m_currentExerciseIndex < 0 || m_currentExerciseIndex >= m_exercises.size())
        return;
    const double seconds = m_exercises[m_currentExerciseIndex].duration;
    m_exerciseRotationTask = m_runtime.after(seconds, [this] {
        if (m_currentExerciseIndex + 1 >= m_exercises.size())
            return; // the last exercise stays until the break ends
        ++m_currentExerciseIndex;
        emit changed();
        scheduleRotationStep();
    });
}

void OverlayVM::goToExercise(int index)
{
    if (index < 0 || index >= m_exercises.size())
        return;
    m_currentExerciseIndex = index;
    emit changed();
    startExerciseRotation();
}

bool OverlayVM::attemptSkip(BreakScheduler &scheduler)
{
    if (m_skipTier == SkipTier::tier1)
        return true;
    const bool valid = scheduler.validateSkipChallenge(m_typingInput);
    m_skipValidationError = !valid;
    emit changed();
    return valid;
}

QString OverlayVM::getCompletionMessage() const
{
    const QStringList lines{
        QStringLiteral("You are someone who moves."),
        QStringLiteral("Your body thanks you."),
        QStringLiteral("Movement is medicine."),
        QStringLiteral("That's %1 sessions today.").arg(m_sessionNumber),
        QStringLiteral("Consistency compounds."),
        QStringLiteral("Your future self is grateful."),
    };
    const int pick = m_random ? m_random(static_cast<int>(lines.size())) : 0;
    return QStringLiteral("%1 #%2 complete\n%3")
        .arg(label(m_breakType))
        .arg(m_sessionNumber)
        .arg(lines.value(pick, lines.first()));
}

void OverlayVM::cleanup()
{
    m_waitCountdownTask.cancel();
    m_exerciseRotationTask.cancel();
}

QString OverlayVM::formatTime(double seconds)
{
    const qint64 whole = std::isfinite(seconds) && seconds > 0 ? static_cast<qint64>(seconds) : 0;
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QVariantList OverlayVM::exerciseList() const
{
    QVariantList list;
    for (const Exercise &exercise : m_exercises)
        list.append(describe(exercise, m_animationDirectory));
    return list;
}

std::optional<Exercise> OverlayVM::currentExercise() const
{
    if (m_currentExerciseIndex < 0 || m_currentExerciseIndex >= m_exercises.size())
        return std::nullopt;
    return m_exercises[m_currentExerciseIndex];
}

QVariantMap OverlayVM::currentExerciseMap() const
{
    const auto exercise = currentExercise();
    return exercise ? describe(*exercise, m_animationDirectory) : QVariantMap{};
}

void OverlayVM::setTypingInput(const QString &text)
{
    if (text == m_typingInput)
        return;
    m_typingInput = text;
    emit changed();
}

QString OverlayVM::milestoneText() const
{
    if (!isMilestoneDay(m_streakDays))
        return {};
    const auto milestone = streakMilestoneForStreak(m_streakDays);
    return milestone ? label(*milestone) + QStringLiteral(" streak!") : QString();
}

QString OverlayVM::milestoneIcon() const
{
    if (!isMilestoneDay(m_streakDays))
        return {};
    const auto milestone = streakMilestoneForStreak(m_streakDays);
    return milestone ? menubarIcon(*milestone) : QString();
}

QVariantMap OverlayVM::describe(const Exercise &exercise, const QString &animationDirectory)
{
    QVariantMap map;
    map.insert(QStringLiteral("name"), exercise.name);
    map.insert(QStringLiteral("instruction"), exercise.instruction);
    map.insert(QStringLiteral("duration"), exercise.duration);
    map.insert(QStringLiteral("durationText"), QStringLiteral("%1s").arg(exercise.duration));
    map.insert(QStringLiteral("category"), rawValue(exercise.category));
    map.insert(QStringLiteral("icon"), categoryIcon(exercise.category));
    map.insert(QStringLiteral("color"), categoryColor(exercise.category));
    const auto animation = resolveAnimation(exercise, animationDirectory);
    map.insert(QStringLiteral("animation"), animation.value_or(QString()));
    return map;
}

std::optional<QString> OverlayVM::resolveAnimation(const Exercise &exercise, const QString &animationDirectory)
{
    if (animationDirectory.isEmpty())
        return std::nullopt;
    const QDir directory(animationDirectory);
    if (exercise.animationName && !exercise.animationName->isEmpty()) {
        const QString path = directory.filePath(*exercise.animationName + QStringLiteral(".json"));
        if (loadsAsAnimation(path))
            return path;
    }
    const QString path = directory.filePath(defaultAnimationName(exercise.category) + QStringLiteral(".json"));
    const QFileInfo info(path);
    if (info.isFile() && info.size() > kMinimumCategoryAnimationBytes && loadsAsAnimation(path))
        return path;
    return std::nullopt;
}

QString OverlayVM::categoryIcon(ExerciseCategory category)
{
    switch (category) {
    case ExerciseCategory::eyes: return QStringLiteral("eye");
    case ExerciseCategory::legs: return QStringLiteral("figure.walk");
    case ExerciseCategory::upper: return QStringLiteral("figure.arms.open");
    case ExerciseCategory::stretch: return QStringLiteral("figure.flexibility");
    case ExerciseCategory::mobility: return QStringLiteral("figure.roll");
    case ExerciseCategory::walking: return QStringLiteral("figure.walk.motion");
    case ExerciseCategory::cardio: return QStringLiteral("heart.fill");
    case ExerciseCategory::calm: return QStringLiteral("wind");
    case ExerciseCategory::focus: return QStringLiteral("brain.head.profile");
    }
    return QStringLiteral("figure.walk");
}

QString OverlayVM::categoryColor(ExerciseCategory category)
{
    switch (category) {
    case ExerciseCategory::eyes: return QStringLiteral("#0a84ff");     // blue
    case ExerciseCategory::legs: return QStringLiteral("#30d158");     // green
    case ExerciseCategory::upper: return QStringLiteral("#ff9f0a");    // orange
    case ExerciseCategory::stretch: return QStringLiteral("#bf5af2");  // purple
    case ExerciseCategory::mobility: return QStringLiteral("#64d2ff"); // cyan
    case ExerciseCategory::walking: return QStringLiteral("#30d158");  // green
    case ExerciseCategory::cardio: return QStringLiteral("#ff453a");   // red
    case ExerciseCategory::calm: return QStringLiteral("#40c8e0");     // teal
    case ExerciseCategory::focus: return QStringLiteral("#5e5ce6");    // indigo
    }
    return QStringLiteral("#30d158");
}

} // namespace stirwell
