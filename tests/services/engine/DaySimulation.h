#pragma once

#include "EngineParts.h"

#include "runtime/virtual/VirtualRuntime.h"
#include "services/engine/BreakScheduler.h"
#include "services/engine/CircadianEngine.h"
#include "services/system/IdleDetector.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>

namespace stirwell::test {

// Days of a restless user in virtual time: work, absences, screen locks,
// sleeps with and without sleep events, meetings (detected and on the
// calendar), manual and time-boxed pauses, snoozes, skips, early breaks,
// bypasses and settings changes, chosen at random from a fixed seed. The
// engine runs with in-memory collaborators and without a diagnostics log.
class DaySimulation : public EngineParts {
public:
    explicit DaySimulation(unsigned seed);

    // Runs until `days` days have passed, calling `afterStep` with the name of
    // each step once it is done.
    void run(int days, const std::function<void(const char *step)> &afterStep = {});

    std::unique_ptr<BreakScheduler> scheduler;
    std::optional<UpcomingMeeting> upcomingMeeting;

private:
    [[nodiscard]] double uniform(double low, double high);
    [[nodiscard]] int integer(int low, int high);
    [[nodiscard]] bool chance(double probability);
    void step(const std::function<void(const char *)> &afterStep);

    std::mt19937 m_random;
    std::map<PauseReason, double> m_plannedEnds;
    double m_meetingStart = 0;
    QString m_day;
};

} // namespace stirwell::test
