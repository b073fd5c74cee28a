#include "runtime/JobQueue.h"
#include "runtime/SystemRuntime.h"
#include "runtime/TimeScale.h"
#include "runtime/virtual/VirtualRuntime.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace stirwell;

namespace {

// A countdown shaped like the engine's: one job field, one-second steps.
class Countdown {
public:
    Countdown(Runtime &runtime, int seconds)
        : m_remaining(seconds)
    {
        m_job = runtime.every(1.0, [this] {
            if (--m_remaining <= 0)
                m_job.cancel();
        });
    }
    int remaining() const { return m_remaining; }
    bool running() const { return m_job.isActive(); }

private:
    int m_remaining;
    Job m_job;
};

} // namespace

TEST(VirtualRuntime, FortyFiveMinuteCountdownRunsInWellUnderASecond)
{
    VirtualRuntime runtime(1'700'000'000);
    QElapsedTimer elapsed;
    elapsed.start();
    Countdown countdown(runtime, 45 * 60);
    runtime.advance(45 * 60 - 1);
    EXPECT_EQ(countdown.remaining(), 1);
    EXPECT_TRUE(countdown.running());
    runtime.advance(1);
    EXPECT_EQ(countdown.remaining(), 0);
    EXPECT_FALSE(countdown.running());
    EXPECT_EQ(runtime.pendingJobCount(), 0u);
    EXPECT_LT(elapsed.elapsed(), 1000);
    EXPECT_DOUBLE_EQ(runtime.now(), 1'700'000'000 + 45 * 60);
}

TEST(VirtualRuntime, RunsDueJobsInTimeOrderIncludingJobsScheduledByJobs)
{
    VirtualRuntime runtime(0);
    std::vector<std::pair<double, int>> log;
    Job a = runtime.after(5, [&] { log.emplace_back(runtime.monotonic(), 1); });
    Job b, c;
    Job d = runtime.after(2, [&] {
        log.emplace_back(runtime.monotonic(), 2);
        b = runtime.after(1, [&] { log.emplace_back(runtime.monotonic(), 3); });
        c = runtime.after(0, [&] { log.emplace_back(runtime.monotonic(), 4); });
    });
    Job e = runtime.after(2, [&] { log.emplace_back(runtime.monotonic(), 5); });
    runtime.advance(10);
    const std::vector<std::pair<double, int>> expected = {{2, 2}, {2, 5}, {2, 4}, {3, 3}, {5, 1}};
    EXPECT_EQ(log, expected);
}

TEST(VirtualRuntime, ReplacingAJobCancelsThePreviousOne)
{
    VirtualRuntime runtime(0);
    std::vector<int> ran;
    Job field = runtime.after(10, [&] { ran.push_back(1); });
    field = runtime.after(20, [&] { ran.push_back(2); });
    runtime.advance(30);
    EXPECT_EQ(ran, std::vector<int>{2});
}

TEST(VirtualRuntime, AJobWhoseOwnerIsGoneNeverRuns)
{
    VirtualRuntime runtime(0);
    bool ran = false;
    {
        struct Owner {
            Job job;
        };
        auto owner = std::make_unique<Owner>();
        owner->job = runtime.every(1, [&] { ran = true; });
        owner.reset();
    }
    runtime.advance(10);
    EXPECT_FALSE(ran);
    EXPECT_EQ(runtime.pendingJobCount(), 0u);
}

TEST(VirtualRuntime, AJobMayReplaceItselfWhileRunning)
{
    VirtualRuntime runtime(0);
    int runs = 0;
    Job field;
    std::function<void()> step = [&] {
        ++runs;
        auto captured = std::make_shared<int>(runs); // freed only after the step returns
        field = runtime.after(1, step);
        EXPECT_EQ(*captured, runs);
    };
    field = runtime.after(1, step);
    runtime.advance(5);
    EXPECT_EQ(runs, 5);
    field.cancel();
    EXPECT_EQ(runtime.pendingJobCount(), 0u);
}

TEST(VirtualRuntime, SuspendMovesTheWallClockButNotTheMonotonicClockOrJobs)
{
    VirtualRuntime runtime(1000);
    bool ran = false;
    Job job = runtime.after(60, [&] { ran = true; });
    runtime.advance(30);
    runtime.suspend(3600);
    EXPECT_DOUBLE_EQ(runtime.now(), 1000 + 30 + 3600);
    EXPECT_DOUBLE_EQ(runtime.monotonic(), 30);
    EXPECT_FALSE(ran);
    runtime.advance(29);
    EXPECT_FALSE(ran);
    runtime.advance(1);
    EXPECT_TRUE(ran);
}

TEST(VirtualRuntime, ClockChangeJumpsOnlyTheWallClock)
{
    VirtualRuntime runtime(5000);
    runtime.jumpWallClock(-3600);
    EXPECT_DOUBLE_EQ(runtime.now(), 1400);
    EXPECT_DOUBLE_EQ(runtime.monotonic(), 0);
    runtime.advanceTo(1500);
    EXPECT_DOUBLE_EQ(runtime.monotonic(), 100);
    runtime.advanceTo(1000); // in the past: nothing happens
    EXPECT_DOUBLE_EQ(runtime.now(), 1500);
}

TEST(SystemRuntime, RunsJobsOnTheEventLoopAtTheTimeScale)
{
    // 60 application seconds per real second: a 3 s job runs after 50 ms.
    SystemRuntime runtime(60);
    bool ran = false;
    const double start = runtime.monotonic();
    Job job = runtime.after(3, [&] {
        ran = true;
        QCoreApplication::quit();
    });
    Job cancelled = runtime.after(1, [] { ADD_FAILURE() << "a cancelled job ran"; });
    cancelled.cancel();
    Job watchdog = runtime.after(600, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    EXPECT_TRUE(ran);
    EXPECT_GE(runtime.monotonic() - start, 3.0);
}

TEST(TimeScale, ParsesTheCommandLineOption)
{
    EXPECT_EQ(parseTimeScale({"stirwell"}), 1.0);
    EXPECT_EQ(parseTimeScale({"stirwell", "--time-scale", "60"}), 60.0);
    EXPECT_EQ(parseTimeScale({"stirwell", "--time-scale=0.5"}), 0.5);
    EXPECT_EQ(parseTimeScale({"stirwell", "--time-scale", "0"}), std::nullopt);
    EXPECT_EQ(parseTimeScale({"stirwell", "--time-scale", "fast"}), std::nullopt);
    EXPECT_EQ(parseTimeScale({"stirwell", "--time-scale"}), std::nullopt);
}

TEST(VirtualRuntime, RepeatWhileEndsWhenTheStepSaysSo)
{
    VirtualRuntime runtime(0);
    int steps = 0;
    Job job = runtime.repeatWhile(2, [&] { return ++steps < 3; });
    runtime.advance(100);
    EXPECT_EQ(steps, 3);
    EXPECT_FALSE(job.isActive());
    EXPECT_EQ(runtime.pendingJobCount(), 0u);
}

TEST(JobQueue, StepsOfDifferentCadencesShareAWakeUp)
{
    JobQueue queue;
    // A one-second tick due at 1.0 may run until 1.33; a three-second poll
    // due at 0.1 until 1.1: waking at 1.1 serves both.
    auto tick = queue.add(1.0, 1.0, [] { return true; });
    auto poll = queue.add(0.1, 3.0, [] { return true; });
    EXPECT_EQ(queue.nextDue(), 0.1);
    ASSERT_TRUE(queue.coalescedWakeTime());
    EXPECT_DOUBLE_EQ(*queue.coalescedWakeTime(), 1.1);
    EXPECT_TRUE(queue.runNext(1.1));
    EXPECT_TRUE(queue.runNext(1.1));
    EXPECT_FALSE(queue.runNext(1.1));
    // Both stay on their own grid.
    EXPECT_EQ(queue.nextDue(), 2.0);

    // A one-shot job is never run late.
    auto once = queue.add(1.5, 0, [] { return false; });
    EXPECT_DOUBLE_EQ(*queue.coalescedWakeTime(), 1.5);
    queue.remove(once.get());
    queue.remove(tick.get());
    queue.remove(poll.get());
}

// Beside a one-second step, jobs of three and five seconds at any phase cost
// no wake-up of their own, and none runs later than its slack allows.
TEST(JobQueue, BesideAOneSecondStepSlowerJobsNeverWakeAlone)
{
    for (const double phase : {0.0, 0.05, 0.3, 0.5, 0.7, 0.76, 0.9, 0.99}) {
        SCOPED_TRACE(phase);
        JobQueue queue;
        double lastRun = 0;
        double worstLateness = 0;
        std::vector<std::shared_ptr<JobState>> jobs;
        auto add = [&](double due, double interval) {
            auto state = std::make_shared<double>(due);
            jobs.push_back(queue.add(due, interval, [&, state, interval] {
                worstLateness = std::max(worstLateness, (lastRun - *state) / interval);
                *state += interval;
                return true;
            }));
        };
        add(1.0, 1.0);
        add(1.0 + phase, 3.0);
        add(1.0 + phase * 2, 3.0);
        add(1.0 + phase * 3, 5.0);
        int wakes = 0;
        while (*queue.coalescedWakeTime() < 600) {
            lastRun = *queue.coalescedWakeTime();
            ++wakes;
            while (queue.runNext(lastRun)) {
            }
        }
        EXPECT_LE(wakes, 600);
        EXPECT_LE(worstLateness, 1.0 / 3.0 + 1e-9);
        for (const auto &job : jobs)
            queue.remove(job.get());
    }
}
