#include "features/overlay/SkipChallengeVM.h"

#include "features/overlay/OverlayVM.h"
#include "services/engine/BreakScheduler.h"
#include "services/storage/PreferencesStore.h"

namespace stirwell {

SkipChallengeVM::SkipChallengeVM(OverlayVM &overlay, BreakScheduler &scheduler, PreferencesStore &preferences,
                                 QObject *parent)
    : QObject(parent)
    , m_overlay(overlay)
    , m_scheduler(scheduler)
    , m_preferences(preferences)
    , m_showExplanation(!preferences.boolValue(kHasSeenExplanationKey).value_or(false))
{
    connect(&overlay, &OverlayVM::changed, this, &SkipChallengeVM::changed);
}

QString SkipChallengeVM::buttonLabel() const { return stirwell::buttonLabel(m_overlay.skipTier()); }

QString SkipChallengeVM::tint() const
{
    switch (m_overlay.skipTier()) {
    case SkipTier::tier2: return QStringLiteral("#08ffffff"); // white at 3 %
    case SkipTier::tier3: return QStringLiteral("#0dff3b30"); // red at 5 %
    case SkipTier::tier4: return QStringLiteral("#1aff3b30"); // red at 10 %
    case SkipTier::tier1:
    case SkipTier::tier5: return QStringLiteral("transparent");
    }
    return QStringLiteral("transparent");
}

bool SkipChallengeVM::showStreakAtRisk() const
{
    const SkipTier tier = m_overlay.skipTier();
    return (tier == SkipTier::tier3 || tier == SkipTier::tier4) && m_overlay.streakDays() >= 1;
}

QString SkipChallengeVM::streakAtRiskText() const
{
    return QStringLiteral("This puts your %1-day streak at risk").arg(m_overlay.streakDays());
}

bool SkipChallengeVM::showStreakLoss() const
{
    return m_overlay.skipTier() == SkipTier::tier4 && m_overlay.streakDays() >= 1;
}

QString SkipChallengeVM::streakLossText() const
{
    return QStringLiteral("%1-day streak will be lost").arg(m_overlay.streakDays());
}

bool SkipChallengeVM::showTypingChallenge() const { return !m_overlay.typingChallenge().isEmpty(); }

void SkipChallengeVM::explanationShown()
{
    if (!m_preferences.boolValue(kHasSeenExplanationKey).value_or(false))
        m_preferences.setBool(kHasSeenExplanationKey, true);
}

bool SkipChallengeVM::skip()
{
    if (!m_overlay.attemptSkip(m_scheduler))
        return false;
    const BreakState before = m_scheduler.state();
    m_scheduler.confirmSkip(m_scheduler.currentMode());
    return m_scheduler.state() != before;
}

} // namespace stirwell
