#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

namespace stirwell {

class JobQueue;

// Shared between a Job handle and the queue that will run it. The queue runs
// `action` only while `cancelled` is false; a cancel during the run takes
// effect for every later run and frees the action once the run returns. A
// repeating job ends when its action returns false.
struct JobState {
    std::function<bool()> action;
    double dueMonotonic = 0;
    double repeatInterval = 0; // 0: runs once
    quint64 sequence = 0;
    bool cancelled = false;
    bool running = false;
    JobQueue *queue = nullptr;
};

// A scheduled piece of work on the main thread, held by its owner.
//
// Destroying or reassigning a Job cancels the work it held, so a job never
// runs after its owner (which holds the Job in a field) is gone, and a field
// that is given a new job has its previous one cancelled first. Cancelling is
// idempotent and safe from inside the job's own action.
class Job {
public:
    Job() = default;
    explicit Job(std::shared_ptr<JobState> state);
    Job(Job &&other) noexcept;
    Job &operator=(Job &&other) noexcept;
    Job(const Job &) = delete;
    Job &operator=(const Job &) = delete;
    ~Job();

    void cancel();
    // True while the job may still run: scheduled, not cancelled, and not a
    // one-shot job that has already run.
    [[nodiscard]] bool isActive() const;

private:
    std::shared_ptr<JobState> m_state;
};

} // namespace stirwell
