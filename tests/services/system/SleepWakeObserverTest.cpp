#include "runtime/virtual/VirtualRuntime.h"
#include "services/system/SessionEventSource.h"
#include "services/system/SleepWakeObserver.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace stirwell;

namespace {

class FakeSessionEvents final : public SessionEventSource {
public:
    int starts = 0;
    int stops = 0;
    void start() override { ++starts; }
    void stop() override { ++stops; }
};

struct Fixture {
    VirtualRuntime runtime{1'700'000'000};
    FakeSessionEvents source;
    SleepWakeObserver observer{runtime, source};
    QStringList calls;

    Fixture()
    {
        observer.onSleep = [this] { calls << "sleep"; };
        observer.onWake = [this] { calls << "wake"; };
        observer.onScreensLocked = [this] { calls << "locked"; };
        observer.onScreensUnlocked = [this] { calls << "unlocked"; };
        observer.start();
    }
    void lock(const char *origin, bool locked) { Q_EMIT source.lockReported(QString::fromLatin1(origin), locked); }
};

// One step of a timeline: after `at` seconds (from the previous step), an event.
struct Step {
    double after;
    const char *origin; // nullptr: a sleep event
    bool value;
};

struct Timeline {
    const char *name;
    std::vector<Step> steps;
    QStringList expected;
};

class SleepWakeTimeline : public ::testing::TestWithParam<Timeline> {};

} // namespace

TEST_P(SleepWakeTimeline, DeliversOneCallbackPerTransition)
{
    Fixture f;
    for (const Step &step : GetParam().steps) {
        f.runtime.advance(step.after);
        if (step.origin)
            f.lock(step.origin, step.value);
        else
            Q_EMIT f.source.sleepPrepared(step.value);
    }
    f.runtime.advance(5);
    EXPECT_EQ(f.calls, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, SleepWakeTimeline,
    ::testing::Values(
        // GNOME: the shield and logind's hint, then both again on unlock.
        Timeline{"gnomeLockAndUnlock",
                 {{0, "org.gnome.ScreenSaver", true}, {0.05, "logind", true},
                  {60, "org.gnome.ScreenSaver", false}, {0.01, "logind", false}},
                 {"locked", "unlocked"}},
        // KDE: ActiveChanged on two paths of one interface, plus the hint.
        Timeline{"kdeDuplicateSignals",
                 {{0, "org.freedesktop.ScreenSaver", true}, {0, "org.freedesktop.ScreenSaver", true},
                  {0.1, "logind", true}, {30, "logind", false}, {0, "org.freedesktop.ScreenSaver", false},
                  {0, "org.freedesktop.ScreenSaver", false}},
                 {"locked", "unlocked"}},
        // Stays locked while any reporter still says locked.
        Timeline{"unlockNeedsEveryReporter",
                 {{0, "org.gnome.ScreenSaver", true}, {0, "logind", true}, {10, "org.gnome.ScreenSaver", false},
                  {10, "logind", false}},
                 {"locked", "unlocked"}},
        // A shield that drops within the debounce is no lock.
        Timeline{"bounceIsFolded", {{0, "org.gnome.ScreenSaver", true}, {0.3, "org.gnome.ScreenSaver", false}}, {}},
        // Lock just before suspend: the lock is told first, not after the wake.
        Timeline{"lockThenSleep",
                 {{0, "logind", true}, {0.1, nullptr, true}, {3600, nullptr, false}, {20, "logind", false}},
                 {"locked", "sleep", "wake", "unlocked"}},
        Timeline{"repeatedSleepSignals",
                 {{0, nullptr, true}, {0, nullptr, true}, {10, nullptr, false}, {0, nullptr, false}},
                 {"sleep", "wake"}},
        Timeline{"wakeWithoutSleepIsIgnored", {{0, nullptr, false}}, {}}),
    [](const ::testing::TestParamInfo<Timeline> &timeline) { return std::string(timeline.param.name); });

TEST(SleepWakeObserver, LockIsReportedAfterTheDebounce)
{
    Fixture f;
    f.lock("logind", true);
    f.runtime.advance(SleepWakeObserver::kLockDebounceSeconds - 0.01);
    EXPECT_TRUE(f.calls.isEmpty());
    f.runtime.advance(0.02);
    EXPECT_EQ(f.calls, QStringList{"locked"});
    EXPECT_TRUE(f.observer.isLocked());
}

TEST(SleepWakeObserver, StopSilencesEverythingAndStartTwiceRegistersOnce)
{
    Fixture f;
    f.observer.start();
    EXPECT_EQ(f.source.starts, 1);
    Q_EMIT f.source.sleepPrepared(true);
    EXPECT_EQ(f.calls, QStringList{"sleep"}); // once, despite the second start()

    f.lock("logind", true);
    f.observer.stop();
    f.observer.stop();
    EXPECT_EQ(f.source.stops, 1);
    f.runtime.advance(5);
    Q_EMIT f.source.sleepPrepared(false);
    f.lock("logind", false);
    f.runtime.advance(5);
    EXPECT_EQ(f.calls, QStringList{"sleep"});
}

TEST(SleepWakeObserver, CallbacksAreReadWhenTheEventArrives)
{
    Fixture f;
    int replaced = 0;
    f.observer.onScreensLocked = [&replaced] { ++replaced; };
    f.lock("logind", true);
    f.runtime.advance(1);
    EXPECT_EQ(replaced, 1);
    f.observer.onScreensUnlocked = nullptr; // an unset callback is simply skipped
    f.lock("logind", false);
    f.runtime.advance(1);
    EXPECT_FALSE(f.observer.isLocked());
}
