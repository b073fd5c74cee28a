#pragma once

#include "runtime/Job.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>

namespace stirwell {

// Time-ordered set of pending jobs on the monotonic clock. Jobs due at the
// same moment run in the order they were scheduled. Both the real and the
// virtual runtime keep their jobs here.
class JobQueue {
public:
    JobQueue() = default;
    JobQueue(const JobQueue &) = delete;
    JobQueue &operator=(const JobQueue &) = delete;
    ~JobQueue();

    [[nodiscard]] std::shared_ptr<JobState> add(double dueMonotonic, double repeatInterval,
                                                std::function<bool()> action);
    void remove(JobState *state);

    [[nodiscard]] std::optional<double> nextDue() const;
    // The latest moment at which every pending job still runs within its
    // tolerance: a one-shot job has none, a repeating job may run up to a
    // third of its interval late (at most a second). Waking then instead of
    // at `nextDue()` lets steps of different cadences share one wake-up: a
    // job of three seconds or more has a whole second of slack, so beside the
    // countdown's one-second step it never wakes the process on its own.
    // Repeating jobs stay on their own grid, so lateness never accumulates.
    [[nodiscard]] std::optional<double> coalescedWakeTime() const;
    // Runs the earliest job if it is due at or before `monotonicNow`; a
    // repeating job is put back at its next due time (drift-free). Returns
    // false when nothing was due.
    bool runNext(double monotonicNow);

    [[nodiscard]] std::size_t size() const { return m_pending.size(); }

    // Called whenever the earliest due time may have changed.
    std::function<void()> onChanged;

private:
    struct Order {
        bool operator()(const std::shared_ptr<JobState> &a, const std::shared_ptr<JobState> &b) const
        {
            if (a->dueMonotonic != b->dueMonotonic)
                return a->dueMonotonic < b->dueMonotonic;
            return a->sequence < b->sequence;
        }
    };
    std::set<std::shared_ptr<JobState>, Order> m_pending;
    quint64 m_nextSequence = 0;
};

} // namespace stirwell
