// Thirty random days, with the engine's invariants checked after every step.

#include "DaySimulation.h"
#include "EngineHarness.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <set>

using namespace stirwell;
using namespace stirwell::test;

TEST(Simulation, ThirtyRandomDaysKeepEveryInvariant)
{
    DaySimulation sim(20250310);
    BreakScheduler &s = *sim.scheduler;

    BreakState announced = s.state();
    int changes = 0;
    int badChanges = 0;
    int negativeWhileCounting = 0;
    std::set<BreakState> visited{announced};
    QObject::connect(&s, &BreakScheduler::stateChanged, [&](BreakState to, BreakState from) {
        ++changes;
        if (to == from || from != announced || s.state() != to)
            ++badChanges;
        announced = to;
        visited.insert(to);
    });
    QObject::connect(&s, &BreakScheduler::timeRemainingChanged, [&](double seconds) {
        if (s.state() == BreakState::counting && seconds < 0)
            ++negativeWhileCounting;
    });

    long steps = 0;
    sim.run(30, [&](const char *step) {
        if (HasFatalFailure())
            return; // the first broken invariant is the one that matters
        ++steps;
        const QString where = sim.runtime.calendar().localDateTime(sim.runtime.now()).toString(Qt::ISODate);
        SCOPED_TRACE(testing::Message() << "after step " << steps << " (" << step << ") at "
                                        << where.toStdString() << " in " << s.stateName().toStdString());
        // Paused exactly while a reason holds.
        ASSERT_EQ(s.state() == BreakState::paused, !s.pauseReasons().empty());
        // One job of each kind: while running, the step's own job, the idle
        // monitor and the quiet-hours check; while paused, the quiet-hours
        // check and a time-boxed pause's end.
        const std::size_t quietHoursJob = s.quietHoursConfig().enabled ? 1 : 0;
        if (s.state() == BreakState::paused) {
            ASSERT_EQ(sim.runtime.pendingJobCount(), quietHoursJob + (s.pauseAutoResumeDate() ? 1 : 0));
        } else {
            ASSERT_EQ(sim.runtime.pendingJobCount(), 2 + quietHoursJob);
            ASSERT_FALSE(s.pauseAutoResumeDate().has_value());
        }
        if (s.state() == BreakState::counting) {
            ASSERT_GE(s.timeRemaining(), 0);
        }
        ASSERT_EQ(negativeWhileCounting, 0);
        // Every change announced once, in order, and reported once.
        ASSERT_EQ(badChanges, 0);
        ASSERT_EQ(announced, s.state());
        ASSERT_EQ(sim.analytics.count(AnalyticsEvent::breakStateChanged), changes);
    });
    if (HasFatalFailure())
        return;

    // The run went everywhere it should have.
    EXPECT_EQ(visited.size(), kAllBreakStates.size());
    EXPECT_GT(sim.history.completedTypes.size(), 20u);
    EXPECT_GT(sim.analytics.count(AnalyticsEvent::breakNaturalDetected), 10);
    EXPECT_GT(sim.analytics.count(AnalyticsEvent::breakSnoozed), 5);
    EXPECT_GT(sim.analytics.count(AnalyticsEvent::breakSkipped), 3);
    EXPECT_GT(sim.analytics.count(AnalyticsEvent::breakEmergencyBypass), 10);
    EXPECT_GT(sim.analytics.count(AnalyticsEvent::breakPostMeetingTriggered), 10);
    std::set<BreakType> kinds(sim.history.completedTypes.begin(), sim.history.completedTypes.end());
    EXPECT_EQ(kinds.size(), 3u);
    RecordProperty("steps", static_cast<int>(steps));
    RecordProperty("state_changes", changes);
}
