#pragma once

#include "services/observability/ObservabilityClient.h"

#include <QJsonObject>

#include <deque>
#include <memory>
#include <optional>

namespace stirwell {

class HttpClient;
class Runtime;

// Both outside clients as plain JSON over HTTP POST.
//
// Usage analytics: every signal is one POST to the analytics endpoint of
//   {"appID": …, "namespace": … (when set), "signalType": prefix + name,
//    "parameters": {default parameters overlaid with the signal's own}}
// with no user or machine identifier and no time stamp.
//
// Error reporting: breadcrumbs (the latest kMaxBreadcrumbs), tags and named
// contexts are kept in memory; reportError() POSTs to the error endpoint
//   {"release", "dist", "environment", "level": "error", "error_kind",
//    "message", "timestamp", "tags": {…}, "contexts": {name: {…}},
//    "breadcrumbs": [{"timestamp", "level", "category", "type", "message",
//    "data": {…}}, …]}
// Time stamps are ISO 8601 UTC with whole seconds, read from the runtime.
// This client traces nothing and catches no crashes.
//
// A POST is tried once; a failed one is dropped. At most kMaxPendingPosts
// are under way at a time, and what comes beyond is dropped, so a server
// that stops answering cannot make memory grow.
class HttpObservabilityClient final : public ObservabilityClient {
public:
    static constexpr std::size_t kMaxBreadcrumbs = 100;
    static constexpr int kMaxPendingPosts = 16;

    HttpObservabilityClient(HttpClient &http, const Runtime &runtime);

    // Refuses (stays off) when the endpoint is not an http or https address.
    [[nodiscard]] bool startErrorReporting(const ErrorReportingOptions &options) override;
    [[nodiscard]] bool isErrorReportingRunning() const override { return m_errorOptions.has_value(); }
    void closeErrorReporting() override;
    void addBreadcrumb(BreadcrumbLevel level, const QString &category, const QString &type, const QString &message,
        const ObservabilityParameters &data) override;
    void setTag(const QString &key, const QString &value) override;
    void setContext(const QString &name, const ObservabilityParameters &context) override;
    void reportError(const QString &errorKind, const QString &message) override;

    // Refuses (stays off) when the endpoint is not an http or https address
    // or the application id is empty.
    [[nodiscard]] bool startUsageAnalytics(const UsageAnalyticsOptions &options) override;
    [[nodiscard]] bool isUsageAnalyticsRunning() const { return m_analyticsOptions.has_value(); }
    void terminateUsageAnalytics() override;
    void sendSignal(const QString &name, const ObservabilityParameters &parameters) override;

    [[nodiscard]] std::size_t breadcrumbCount() const { return m_breadcrumbs.size(); }
    [[nodiscard]] int pendingPosts() const { return *m_pending; }

private:
    void post(const QString &endpoint, const QJsonObject &body);
    [[nodiscard]] QString timestamp() const;

    HttpClient &m_http;
    const Runtime &m_runtime;
    std::optional<ErrorReportingOptions> m_errorOptions;
    std::optional<UsageAnalyticsOptions> m_analyticsOptions;
    std::deque<QJsonObject> m_breadcrumbs;
    ObservabilityParameters m_tags;
    QMap<QString, ObservabilityParameters> m_contexts;
    // Shared with the completion callbacks, which may outlive this client.
    std::shared_ptr<int> m_pending = std::make_shared<int>(0);
};

} // namespace stirwell
