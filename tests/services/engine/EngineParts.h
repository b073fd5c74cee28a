#pragma once

#include "EngineFakes.h"

#include "runtime/virtual/VirtualRuntime.h"
#include "services/engine/BreakScheduler.h"
#include "services/engine/CircadianEngine.h"
#include "services/system/IdleDetector.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace stirwell::test {

// What the break engine works with, on virtual time and in memory, and a
// user whose keyboard idle time the owner sets through `m_awaySince`.
class EngineParts {
public:
    EngineParts(double start, const LocalCalendar &calendar)
        : runtime(start, calendar)
        , idleDetector(runtime, [this] { return idleSeconds(); })
        , circadian(runtime)
    {
    }
    EngineParts(const EngineParts &) = delete;
    EngineParts &operator=(const EngineParts &) = delete;

    // 0 while the user types; the time since they left otherwise.
    [[nodiscard]] double idleSeconds() const
    {
        return m_awaySince ? std::max(0.0, runtime.now() - *m_awaySince) : 0.0;
    }

    // A scheduler on these parts; it must not outlive them.
    [[nodiscard]] std::unique_ptr<BreakScheduler> makeScheduler(TimerDiagnosticsLogger *logger)
    {
        return std::make_unique<BreakScheduler>(runtime, idleDetector, snoozeBudget, skipFriction, history, sounds,
                                                circadian, dashboard, notifications, analytics, logger);
    }

    VirtualRuntime runtime;
    IdleDetector idleDetector;
    FakeSnoozeBudget snoozeBudget;
    FakeSkipFriction skipFriction;
    MemoryBreakHistory history;
    RecordingSounds sounds;
    CircadianEngine circadian;
    RecordingDashboard dashboard;
    RecordingNotifications notifications;
    RecordingAnalytics analytics;

protected:
    std::optional<double> m_awaySince;
};

} // namespace stirwell::test
