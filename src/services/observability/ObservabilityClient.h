#pragma once

#include <QMap>
#include <QString>

namespace stirwell {

using ObservabilityParameters = QMap<QString, QString>;

// How the error-reporting client is started.
struct ErrorReportingOptions {
    QString endpoint;
    QString release;
    QString dist;
    QString environment;
    // Nothing that identifies the user or the machine is attached.
    bool sendPersonalData = false;
    // Share of operations traced for performance, for clients that trace.
    double tracesSampleRate = 0.1;
    // Whether a client that can catch crashes reports them.
    bool reportUncaughtErrors = true;

    friend bool operator==(const ErrorReportingOptions &, const ErrorReportingOptions &) = default;
};

// How the usage-analytics client is started.
struct UsageAnalyticsOptions {
    QString endpoint;
    QString appID;
    // Sent only when not empty.
    QString namespaceName;
    // Put in front of every signal name.
    QString signalPrefix;
    // Sent with every signal, under the signal's own parameters.
    ObservabilityParameters defaultParameters;

    friend bool operator==(const UsageAnalyticsOptions &, const UsageAnalyticsOptions &) = default;
};

enum class BreadcrumbLevel { debug, info, warning, error };

// The adapter to the two outside clients behind ObservabilityService: an
// error-reporting client (error reports, with the usage events leading up to
// them as breadcrumbs, and tags and named contexts describing the state) and
// a usage-analytics client (anonymous usage signals). The service decides,
// from the user's consent, which of them run; an implementation does what it
// is asked and never reports a failure back. Everything runs on the main
// thread.
class ObservabilityClient {
public:
    virtual ~ObservabilityClient() = default;

    // Returns whether the client runs afterwards (a client that cannot work
    // with these options stays off).
    [[nodiscard]] virtual bool startErrorReporting(const ErrorReportingOptions &options) = 0;
    [[nodiscard]] virtual bool isErrorReportingRunning() const = 0;
    // Stops the client and forgets its breadcrumbs, tags and contexts.
    virtual void closeErrorReporting() = 0;
    // The following are ignored while the client does not run.
    virtual void addBreadcrumb(BreadcrumbLevel level, const QString &category, const QString &type,
        const QString &message, const ObservabilityParameters &data)
        = 0;
    virtual void setTag(const QString &key, const QString &value) = 0;
    // Replaces the context of that name.
    virtual void setContext(const QString &name, const ObservabilityParameters &context) = 0;
    // Sends one error report with the current tags, contexts and breadcrumbs.
    virtual void reportError(const QString &errorKind, const QString &message) = 0;

    // Returns whether the client runs afterwards.
    [[nodiscard]] virtual bool startUsageAnalytics(const UsageAnalyticsOptions &options) = 0;
    virtual void terminateUsageAnalytics() = 0;
    // `name` without the prefix; ignored while the client does not run.
    virtual void sendSignal(const QString &name, const ObservabilityParameters &parameters) = 0;
};

// Wire names of the levels: "debug", "info", "warning", "error".
[[nodiscard]] inline QString breadcrumbLevelName(BreadcrumbLevel level)
{
    switch (level) {
    case BreadcrumbLevel::debug:
        return QStringLiteral("debug");
    case BreadcrumbLevel::info:
        return QStringLiteral("info");
    case BreadcrumbLevel::warning:
        return QStringLiteral("warning");
    case BreadcrumbLevel::error:
        return QStringLiteral("error");
    }
    return QStringLiteral("info");
}

} // namespace stirwell
