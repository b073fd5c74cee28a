#pragma once

#include "services/observability/AnalyticsEvent.h"
#include "services/observability/AnalyticsProperty.h"

namespace stirwell {

// Where every component reports usage events and error-report context.
// Both calls are fire-and-forget: they return at once and never fail.
// Durations are reported already bucketed (see ObservabilityFormat.h).
class AnalyticsSink {
public:
    virtual ~AnalyticsSink() = default;

    virtual void track(AnalyticsEvent event, const AnalyticsProperties &properties = {}) = 0;
    // Replaces the context attached to later error reports.
    virtual void setDiagnosticContext(const AnalyticsProperties &context) = 0;
};

class NoOpAnalyticsSink final : public AnalyticsSink {
public:
    void track(AnalyticsEvent, const AnalyticsProperties &) override {}
    void setDiagnosticContext(const AnalyticsProperties &) override {}
};

} // namespace stirwell
