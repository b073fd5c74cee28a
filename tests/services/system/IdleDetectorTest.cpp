#include "runtime/virtual/VirtualRuntime.h"
#include "services/system/IdleDetector.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <optional>

using namespace stirwell;

namespace {
struct Fixture {
    VirtualRuntime runtime{1'700'000'000};
    double idle = 0;
    int reads = 0;
    IdleDetector detector{runtime, [this] {
                              ++reads;
                              return idle;
                          }};
    std::optional<bool> result;
    Job wait;

    void startWait()
    {
        wait = detector.waitForNaturalPause(5, 1, 180, [this](bool paused) { result = paused; });
    }
};
} // namespace

TEST(IdleDetector, AlreadyIdleAnswersAtOnceWithoutWaiting)
{
    Fixture f;
    f.idle = 7;
    f.startWait();
    EXPECT_EQ(f.result, true);
    EXPECT_EQ(f.runtime.pendingJobCount(), 0u);
}

TEST(IdleDetector, APauseInTypingEndsTheWait)
{
    Fixture f;
    f.startWait();
    f.runtime.advance(40);
    EXPECT_EQ(f.result, std::nullopt);
    f.idle = 5; // the user stopped typing five seconds ago
    f.runtime.advance(1);
    EXPECT_EQ(f.result, true);
    EXPECT_EQ(f.runtime.pendingJobCount(), 0u);
}

TEST(IdleDetector, NoPauseTimesOutAfterAboutOneCheckASecond)
{
    Fixture f;
    f.startWait();
    f.runtime.advance(179);
    EXPECT_EQ(f.result, std::nullopt);
    f.runtime.advance(1);
    EXPECT_EQ(f.result, false);
    EXPECT_NEAR(f.reads, 181, 2);
    EXPECT_EQ(f.runtime.pendingJobCount(), 0u);
}

TEST(IdleDetector, CancellingTheWaitReportsNothing)
{
    Fixture f;
    f.startWait();
    f.runtime.advance(10);
    f.wait.cancel();
    f.idle = 100;
    f.runtime.advance(300);
    EXPECT_EQ(f.result, std::nullopt);
}
