#include "services/observability/AnalyticsEvent.h"
#include "services/observability/AnalyticsProperty.h"
#include "services/observability/ObservabilityFormat.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <set>

using namespace stirwell;

namespace {
struct BucketCase {
    double seconds;
    const char *duration;
    const char *interval;
};
} // namespace

TEST(ObservabilityFormat, BucketsAtTheirEdges)
{
    const BucketCase cases[] = {
        {0, "under_1m", "under_30m"},
        {59.9, "under_1m", "under_30m"},
        {60, "1_3m", "under_30m"},
        {179.99, "1_3m", "under_30m"},
        {180, "3_5m", "under_30m"},
        {300, "5_10m", "under_30m"},
        {599, "5_10m", "under_30m"},
        {600, "10m_plus", "under_30m"},
        {1799, "10m_plus", "under_30m"},
        {1800, "10m_plus", "30_44m"},
        {2699, "10m_plus", "30_44m"}, // 44.98 minutes truncates to 44
        {2700, "10m_plus", "45_59m"},
        {3600, "10m_plus", "60_89m"},
        {5399, "10m_plus", "60_89m"},
        {5400, "10m_plus", "90m_plus"},
        {-5, "under_1m", "under_30m"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(durationBucket(c.seconds), QString::fromLatin1(c.duration));
        EXPECT_EQ(intervalBucket(c.seconds), QString::fromLatin1(c.interval));
    }
}

TEST(ObservabilityFormat, DiagnosticSecondsRoundHalvesAwayFromZero)
{
    EXPECT_EQ(diagnosticSecondsString(2.5), QStringLiteral("3"));
    EXPECT_EQ(diagnosticSecondsString(299.4), QStringLiteral("299"));
    EXPECT_EQ(diagnosticSecondsString(-2.5), QStringLiteral("-3"));
    EXPECT_EQ(diagnosticSecondsString(0.49), QStringLiteral("0"));
    EXPECT_EQ(diagnosticSecondsString(2700), QStringLiteral("2700"));
}

TEST(AnalyticsVocabulary, NamesAreUniqueAndDotted)
{
    std::set<QString> events;
    for (int i = 0; i < kAnalyticsEventCount; ++i)
        events.insert(analyticsEventName(static_cast<AnalyticsEvent>(i)));
    EXPECT_EQ(events.size(), static_cast<std::size_t>(kAnalyticsEventCount));
    EXPECT_EQ(analyticsEventName(AnalyticsEvent::breakStateChanged), QStringLiteral("break.state_changed"));
    EXPECT_EQ(analyticsEventName(AnalyticsEvent::popoverActionTapped), QStringLiteral("popover.action_tapped"));

    std::set<QString> keys;
    for (int i = 0; i < kAnalyticsPropertyCount; ++i)
        keys.insert(analyticsPropertyKey(static_cast<AnalyticsProperty>(i)));
    EXPECT_EQ(keys.size(), static_cast<std::size_t>(kAnalyticsPropertyCount));
    EXPECT_EQ(analyticsPropertyKey(AnalyticsProperty::awayDurationBucket), QStringLiteral("away_duration_bucket"));
    EXPECT_EQ(analyticsPropertyKey(AnalyticsProperty::actionId), QStringLiteral("action_id"));
}
