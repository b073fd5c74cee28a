#include "runtime/Job.h"

#include "runtime/JobQueue.h"

#include <algorithm>

namespace stirwell {

Job::Job(std::shared_ptr<JobState> state)
    : m_state(std::move(state))
{
}

Job::Job(Job &&other) noexcept
    : m_state(std::move(other.m_state))
{
}

Job &Job::operator=(Job &&other) noexcept
{
    if (this != &other) {
        cancel();
        m_state = std::move(other.m_state);
    }
    return *this;
}

Job::~Job()
{
    cancel();
}

void Job::cancel()
{
    if (!m_state)
        return;
    std::shared_ptr<JobState> state = std::move(m_state);
    if (state->cancelled)
        return;
    state->cancelled = true;
    if (state->queue)
        state->queue->remove(state.get());
    if (!state->running)
        state->action = nullptr;
}

bool Job::isActive() const
{
    return m_state && !m_state->cancelled && m_state->queue != nullptr;
}

JobQueue::~JobQueue()
{
    for (const auto &state : m_pending)
        state->queue = nullptr;
}

std::shared_ptr<JobState> JobQueue::add(double dueMonotonic, double repeatInterval,
                                        std::function<bool()> action)
{
    auto state = std::make_shared<JobState>();
    state->action = std::move(action);
    state->dueMonotonic = dueMonotonic;
    state->repeatInterval = repeatInterval;
    state->sequence = m_nextSequence++;
    state->queue = this;
    m_pending.insert(state);
    if (onChanged)
        onChanged();
    return state;
}

void JobQueue::remove(JobState *state)
{
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if (it->get() == state) {
            m_pending.erase(it);
            break;
        }
    }
    state->queue = nullptr;
    if (onChanged)
        onChanged();
}

std::optional<double> JobQueue::nextDue() const
{
    if (m_pending.empty())
        return std::nullopt;
    return (*m_pending.begin())->dueMonotonic;
}

std::optional<double> JobQueue::coalescedWakeTime() const
{
    std::optional<double> wake;
    for (const auto &state : m_pending) {
        if (wake && state->dueMonotonic > *wake)
            break; // sorted by due time: no later job can wake us earlier
        const double tolerance = state->repeatInterval > 0 ? std::min(1.0, state->repeatInterval / 3.0) : 0.0;
        const double latest = state->dueMonotonic + tolerance;
        if (!wake || latest < *wake)
            wake = latest;
    }
    return wake;
}

bool JobQueue::runNext(double monotonicNow)
{
    if (m_pending.empty() || (*m_pending.begin())->dueMonotonic > monotonicNow)
        return false;
    std::shared_ptr<JobState> state = *m_pending.begin();
    m_pending.erase(m_pending.begin());
    if (state->repeatInterval > 0) {
        state->dueMonotonic += state->repeatInterval;
        // After a stall of the process, steps resume one interval after now
        // rather than running every missed step back to back.
        if (state->dueMonotonic < monotonicNow)
            state->dueMonotonic = monotonicNow + state->repeatInterval;
        state->sequence = m_nextSequence++;
        m_pending.insert(state);
    } else {
        state->queue = nullptr;
    }

    state->running = true;
    const bool keepGoing = state->action ? state->action() : false;
    state->running = false;
    if (!keepGoing && state->queue == this) {
        remove(state.get());
        state->cancelled = true;
    }
    if (state->cancelled || state->queue == nullptr)
        state->action = nullptr;
    if (onChanged)
        onChanged();
    return true;
}

} // namespace stirwell
