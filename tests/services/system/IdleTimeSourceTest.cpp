#include "runtime/virtual/VirtualRuntime.h"
#include "services/observability/TimerDiagnosticsLogger.h"
#include "services/storage/PreferencesStore.h"
#include "services/system/IdleNotificationEmulator.h"
#include "services/system/IdleTimeSource.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace stirwell;

namespace {
class FakeSource final : public IdleTimeSource {
public:
    FakeSource(QString name, bool works, std::optional<double> idle, int *probes)
        : m_name(std::move(name)), m_works(works), m_idle(idle), m_probes(probes)
    {
    }
    QString name() const override { return m_name; }
    bool probe() override
    {
        ++*m_probes;
        return m_works;
    }
    std::optional<double> idleSeconds() override { return m_idle; }

private:
    QString m_name;
    bool m_works;
    std::optional<double> m_idle;
    int *m_probes;
};
} // namespace

TEST(IdleTimeSourceSelection, TakesTheFirstWorkingSourceAndLogsIt)
{
    QTemporaryDir dir;
    PreferencesStore prefs;
    VirtualRuntime runtime{1'700'000'000};
    TimerDiagnosticsLogger logger(prefs, runtime, dir.path());
    logger.setEnabled(true);

    int probes = 0;
    std::vector<std::unique_ptr<IdleTimeSource>> candidates;
    candidates.push_back(std::make_unique<FakeSource>("mutter", false, 1.0, &probes));
    candidates.push_back(std::make_unique<FakeSource>("x11-screensaver", true, 42.5, &probes));
    candidates.push_back(std::make_unique<FakeSource>("later", true, 7.0, &probes));
    auto chosen = selectIdleTimeSource(std::move(candidates), &logger);

    EXPECT_EQ(chosen->name(), "x11-screensaver");
    EXPECT_EQ(probes, 2); // the later one is never probed
    EXPECT_DOUBLE_EQ(idleTimeProvider(chosen)(), 42.5);

    QFile log(logger.logFilePath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.contains(R"("event":"idle.source_selected")")) << text.toStdString();
    EXPECT_TRUE(text.contains(R"("probed":"mutter:no,x11-screensaver:yes")")) << text.toStdString();
    EXPECT_TRUE(text.contains(R"("source":"x11-screensaver")")) << text.toStdString();
}

TEST(IdleTimeSourceSelection, NothingWorkingReadsAsZero)
{
    int probes = 0;
    std::vector<std::unique_ptr<IdleTimeSource>> candidates;
    candidates.push_back(std::make_unique<FakeSource>("mutter", false, 9.0, &probes));
    auto chosen = selectIdleTimeSource(std::move(candidates), nullptr);
    EXPECT_EQ(chosen->name(), "none");
    EXPECT_DOUBLE_EQ(idleTimeProvider(chosen)(), 0.0);

    // A source that cannot tell right now also reads as 0, as does nonsense.
    std::vector<std::unique_ptr<IdleTimeSource>> unsure;
    unsure.push_back(std::make_unique<FakeSource>("flaky", true, std::nullopt, &probes));
    EXPECT_DOUBLE_EQ(idleTimeProvider(selectIdleTimeSource(std::move(unsure), nullptr))(), 0.0);
    std::vector<std::unique_ptr<IdleTimeSource>> negative;
    negative.push_back(std::make_unique<FakeSource>("odd", true, -3.0, &probes));
    EXPECT_DOUBLE_EQ(idleTimeProvider(selectIdleTimeSource(std::move(negative), nullptr))(), 0.0);
}

TEST(IdleNotificationEmulator, IdleGrowsFromTheThresholdUntilResumed)
{
    VirtualRuntime runtime{1'700'000'000};
    IdleNotificationEmulator idle(runtime, 5);
    EXPECT_DOUBLE_EQ(idle.idleSeconds(), 0);
    runtime.advance(30);
    idle.idled(); // the compositor: no input for 5 s
    EXPECT_DOUBLE_EQ(idle.idleSeconds(), 5);
    runtime.advance(12);
    idle.idled(); // a repeat keeps the first moment
    EXPECT_DOUBLE_EQ(idle.idleSeconds(), 17);
    idle.resumed();
    EXPECT_DOUBLE_EQ(idle.idleSeconds(), 0);
    runtime.advance(100);
    EXPECT_DOUBLE_EQ(idle.idleSeconds(), 0);
}
