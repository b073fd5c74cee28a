#include "runtime/Runtime.h"

#include "runtime/JobQueue.h"

#include <algorithm>

namespace stirwell {

Job Runtime::after(double seconds, std::function<void()> action)
{
    return Job(jobQueue().add(monotonic() + std::max(0.0, seconds), 0,
                              [action = std::move(action)] {
                                  action();
                                  return false;
                              }));
}

Job Runtime::every(double interval, std::function<void()> step)
{
    return repeatWhile(interval, [step = std::move(step)] {
        step();
        return true;
    });
}

Job Runtime::repeatWhile(double interval, std::function<bool()> step)
{
    // A non-positive interval would spin; the shortest step is a millisecond.
    const double spacing = std::max(interval, 0.001);
    return Job(jobQueue().add(monotonic() + spacing, spacing, std::move(step)));
}

} // namespace stirwell
