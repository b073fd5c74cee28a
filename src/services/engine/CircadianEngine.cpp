#include "services/engine/CircadianEngine.h"

#include "runtime/Runtime.h"

namespace stirwell {

CircadianEngine::CircadianEngine(const Runtime &runtime)
    : m_runtime(runtime)
{
}

CircadianPeriod CircadianEngine::currentPeriod() const
{
    return circadianPeriodForHour(m_runtime.calendar().hourOfDay(m_runtime.now()));
}

double CircadianEngine::adjustInterval(double seconds) const
{
    return seconds * intervalMultiplier(currentPeriod());
}

double CircadianEngine::adjustEscalation(double seconds) const
{
    return seconds * escalationMultiplier(currentPeriod());
}

bool CircadianEngine::shouldShowWindDown() const
{
    return showWindDown(currentPeriod());
}

} // namespace stirwell
