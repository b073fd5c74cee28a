#pragma once

#include "services/observability/ObservabilityClient.h"

#include <QStringList>

#include <optional>

namespace stirwell::test {

// Records every call in order, as one line each ("signal break.completed"),
// and keeps what was handed over. The clients run while started, like real
// ones; `refuseStart` makes both refuse.
class RecordingObservabilityClient final : public ObservabilityClient {
public:
    struct Breadcrumb {
        BreadcrumbLevel level;
        QString category;
        QString type;
        QString message;
        ObservabilityParameters data;
    };
    struct Signal {
        QString name;
        ObservabilityParameters parameters;
    };

    QStringList calls;
    std::optional<ErrorReportingOptions> errorOptions;
    std::optional<UsageAnalyticsOptions> analyticsOptions;
    QList<Breadcrumb> breadcrumbs;
    QList<Signal> signalsSent;
    ObservabilityParameters tags;
    QMap<QString, ObservabilityParameters> contexts;
    bool errorRunning = false;
    bool refuseStart = false;

    bool startErrorReporting(const ErrorReportingOptions &options) override
    {
        calls << QStringLiteral("startErrorReporting");
        if (refuseStart)
            return false;
        errorOptions = options;
        errorRunning = true;
        return true;
    }
    bool isErrorReportingRunning() const override { return errorRunning; }
    void closeErrorReporting() override
    {
        calls << QStringLiteral("closeErrorReporting");
        errorRunning = false;
    }
    void addBreadcrumb(BreadcrumbLevel level, const QString &category, const QString &type, const QString &message,
        const ObservabilityParameters &data) override
    {
        calls << QStringLiteral("breadcrumb ") + message;
        breadcrumbs.append({level, category, type, message, data});
    }
    void setTag(const QString &key, const QString &value) override
    {
        calls << QStringLiteral("tag %1=%2").arg(key, value);
        tags.insert(key, value);
    }
    void setContext(const QString &name, const ObservabilityParameters &context) override
    {
        calls << QStringLiteral("context ") + name;
        contexts.insert(name, context);
    }
    void reportError(const QString &errorKind, const QString &message) override
    {
        calls << QStringLiteral("error %1: %2").arg(errorKind, message);
    }
    bool startUsageAnalytics(const UsageAnalyticsOptions &options) override
    {
        calls << QStringLiteral("startUsageAnalytics");
        if (refuseStart)
            return false;
        analyticsOptions = options;
        return true;
    }
    void terminateUsageAnalytics() override { calls << QStringLiteral("terminateUsageAnalytics"); }
    void sendSignal(const QString &name, const ObservabilityParameters &parameters) override
    {
        calls << QStringLiteral("signal ") + name;
        signalsSent.append({name, parameters});
    }

    // Only the calls whose line starts with `prefix`.
    [[nodiscard]] QStringList callsStartingWith(const QString &prefix) const
    {
        QStringList result;
        for (const QString &call : calls)
            if (call.startsWith(prefix))
                result << call;
        return result;
    }
};

} // namespace stirwell::test
