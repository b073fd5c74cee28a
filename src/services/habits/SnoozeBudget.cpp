#include "services/habits/SnoozeBudget.h"

#include "runtime/Runtime.h"

#include <algorithm>

namespace stirwell {

SnoozeBudget::SnoozeBudget(const Runtime &runtime, BudgetStorage &storage)
    : m_runtime(runtime)
    , m_storage(storage)
{
    const BudgetState saved = m_storage.loadBudget();
    m_maxBudget = saved.max < 1 ? kDefaultMaximum : saved.max;
    m_budgetDate = todayKey();
    // Today's saved count is kept as it is, even above the maximum: the next
    // configure() brings it into range.
    m_remaining = saved.date == m_budgetDate ? std::max(saved.remaining, 0) : m_maxBudget;
}

QString SnoozeBudget::todayKey() const
{
    return LocalCalendar::utcDayKey(m_runtime.now());
}

void SnoozeBudget::checkDay()
{
    const QString today = todayKey();
    if (today == m_budgetDate)
        return;
    m_remaining = m_maxBudget;
    m_budgetDate = today;
    save();
}

void SnoozeBudget::save()
{
    m_storage.saveBudget({m_remaining, m_budgetDate, m_maxBudget});
}

void SnoozeBudget::configure(CommitmentMode mode)
{
    checkDay();
    const int previous = m_maxBudget;
    m_maxBudget = maxSnoozesPerDay(mode);
    m_remaining = previous == m_maxBudget ? std::min(previous, m_remaining) : m_maxBudget;
    save();
}

bool SnoozeBudget::canSnooze()
{
    checkDay();
    return m_remaining > 0;
}

int SnoozeBudget::snoozesRemaining()
{
    checkDay();
    return m_remaining;
}

int SnoozeBudget::maxSnoozes()
{
    checkDay();
    return m_maxBudget;
}

int SnoozeBudget::useSnooze()
{
    checkDay();
    if (m_remaining > 0)
        --m_remaining;
    save();
    return m_remaining;
}

void SnoozeBudget::regenerate()
{
    checkDay();
    if (m_remaining < m_maxBudget)
        ++m_remaining;
    save();
}

} // namespace stirwell
