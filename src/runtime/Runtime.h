#pragma once

#include "runtime/Job.h"
#include "runtime/LocalCalendar.h"

#include <functional>

namespace stirwell {

// The one source of time and timers for the whole application.
//
// Services receive a Runtime in their constructors and never read a clock or
// start a timer any other way, so the same code runs on real time in the
// application and on virtual time in tests and in the day simulator.
// Every job runs on the thread that owns the runtime (the main thread).
class Runtime {
public:
    Runtime() = default;
    Runtime(const Runtime &) = delete;
    Runtime &operator=(const Runtime &) = delete;
    virtual ~Runtime() = default;

    // Wall clock: the moment as seconds since the Unix epoch. May jump (clock
    // changes, suspend).
    [[nodiscard]] virtual double now() const = 0;
    // Monotonic clock in seconds from an arbitrary origin. Never goes back and
    // stands still while the machine is suspended. Jobs are timed on it.
    [[nodiscard]] virtual double monotonic() const = 0;
    // The user's local calendar.
    [[nodiscard]] virtual const LocalCalendar &calendar() const = 0;

    // Runs `action` once, `seconds` from now (monotonic). Negative delays run
    // as soon as possible.
    [[nodiscard]] Job after(double seconds, std::function<void()> action);
    // Runs `step` every `interval` seconds, the first time one interval from
    // now, until the returned job is cancelled. Steps are spaced on the
    // monotonic clock without drift.
    [[nodiscard]] Job every(double interval, std::function<void()> step);
    // Like `every`, but ends by itself the first time `step` returns false.
    [[nodiscard]] Job repeatWhile(double interval, std::function<bool()> step);

protected:
    [[nodiscard]] virtual JobQueue &jobQueue() = 0;
};

} // namespace stirwell
