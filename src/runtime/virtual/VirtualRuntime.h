#pragma once

#include "runtime/JobQueue.h"
#include "runtime/Runtime.h"

namespace stirwell {

// The runtime on virtual time, for tests and the day simulator.
//
// Nothing happens until the owner advances time; then every job that falls
// due runs in time order, including jobs scheduled by other jobs during the
// advance, with the clocks reading each job's due time while it runs. Fully
// deterministic: the same calls give the same runs.
class VirtualRuntime final : public Runtime {
public:
    // Starts at the given wall-clock moment; the monotonic clock starts at 0.
    explicit VirtualRuntime(double startWallClock, LocalCalendar calendar = LocalCalendar());

    [[nodiscard]] double now() const override { return m_wall; }
    [[nodiscard]] double monotonic() const override { return m_monotonic; }
    [[nodiscard]] const LocalCalendar &calendar() const override { return m_calendar; }
    void setCalendar(LocalCalendar calendar) { m_calendar = std::move(calendar); }

    // Lets `seconds` pass on both clocks, running every job due meanwhile.
    void advance(double seconds);
    // Advances until the wall clock reads `wallMoment` (no-op if it already
    // has passed it).
    void advanceTo(double wallMoment);
    // Runs jobs that are due now (delay-0 jobs) without moving the clocks.
    void runDue() { advance(0); }

    // The wall clock is set by `seconds` (a clock change); the monotonic clock
    // and the pending jobs are untouched.
    void jumpWallClock(double seconds);
    // A suspend of `seconds`: the wall clock moves, the monotonic clock does
    // not, so no job runs and every pending job keeps its remaining delay.
    void suspend(double seconds) { jumpWallClock(seconds); }

    [[nodiscard]] std::size_t pendingJobCount() const { return m_queue.size(); }
    [[nodiscard]] std::optional<double> nextDueIn() const;

protected:
    [[nodiscard]] JobQueue &jobQueue() override { return m_queue; }

private:
    double m_wall;
    double m_monotonic = 0;
    LocalCalendar m_calendar;
    JobQueue m_queue;
};

} // namespace stirwell
