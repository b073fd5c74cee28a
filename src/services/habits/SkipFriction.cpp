#include "services/habits/SkipFriction.h"

#include "runtime/Runtime.h"

#include <algorithm>
#include <limits>

namespace stirwell {

SkipFriction::SkipFriction(const Runtime &runtime, FrictionStorage &storage, HealthFacts healthFacts)
    : m_runtime(runtime)
    , m_storage(storage)
    , m_healthFacts(std::move(healthFacts))
{
    const FrictionState saved = m_storage.loadFriction();
    m_dailyDate = todayKey();
    if (saved.date == m_dailyDate) {
        m_dailySkipCount = std::max(saved.count, 0);
    } else {
        m_dailySkipCount = 0;
        m_storage.saveFriction({0, m_dailyDate});
    }
}

QString SkipFriction::todayKey() const
{
    return LocalCalendar::utcDayKey(m_runtime.now());
}

void SkipFriction::checkDay()
{
    const QString today = todayKey();
    if (today == m_dailyDate)
        return;
    m_dailySkipCount = 0;
    m_dailyDate = today;
    m_currentHealthFact.clear();
    m_storage.saveFriction({0, m_dailyDate});
}

int SkipFriction::dailySkipCount()
{
    checkDay();
    return m_dailySkipCount;
}

SkipTier SkipFriction::currentTier()
{
    checkDay();
    return skipTierForSkipCount(m_dailySkipCount);
}

bool SkipFriction::canSkip()
{
    return stirwell::canSkip(currentTier());
}

std::optional<QString> SkipFriction::getTypingChallenge()
{
    const SkipTier tier = currentTier();
    if (tier == SkipTier::tier4) {
        if (m_currentHealthFact.isEmpty())
            m_currentHealthFact = m_healthFacts.randomTyping();
        return m_currentHealthFact;
    }
    return typingChallenge(tier);
}

bool SkipFriction::validateChallenge(const QString &input)
{
    const std::optional<QString> challenge = getTypingChallenge();
    if (!challenge)
        return true;
    return input.trimmed().toLower() == challenge->toLower();
}

SkipTier SkipFriction::recordSkip()
{
    checkDay();
    // A count near the int limit (a hand-edited store) stays at tier5.
    if (m_dailySkipCount < std::numeric_limits<int>::max())
        ++m_dailySkipCount;
    m_storage.saveFriction({m_dailySkipCount, m_dailyDate});
    return currentTier();
}

} // namespace stirwell
