#include "services/observability/HttpObservabilityClient.h"

#include "runtime/Runtime.h"
#include "services/network/HttpClient.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

#include <cmath>

namespace stirwell {

namespace {

bool isHttpUrl(const QString &endpoint)
{
    const QUrl url(endpoint, QUrl::StrictMode);
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QJsonObject toJson(const ObservabilityParameters &parameters)
{
    QJsonObject object;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

} // namespace

HttpObservabilityClient::HttpObservabilityClient(HttpClient &http, const Runtime &runtime)
    : m_http(http)
    , m_runtime(runtime)
{
}

bool HttpObservabilityClient::startErrorReporting(const ErrorReportingOptions &options)
{
    if (!isHttpUrl(options.endpoint))
        return isErrorReportingRunning();
    m_errorOptions = options;
    return true;
}

void HttpObservabilityClient::closeErrorReporting()
{
    m_errorOptions.reset();
    m_breadcrumbs.clear();
    m_tags.clear();
    m_contexts.clear();
}

void HttpObservabilityClient::addBreadcrumb(BreadcrumbLevel level, const QString &category, const QString &type,
    const QString &message, const ObservabilityParameters &data)
{
    if (!m_errorOptions)
        return;
    m_breadcrumbs.push_back(QJsonObject {
        {QStringLiteral("timestamp"), timestamp()},
        {QStringLiteral("level"), breadcrumbLevelName(level)},
        {QStringLiteral("category"), category},
        {QStringLiteral("type"), type},
        {QStringLiteral("message"), message},
        {QStringLiteral("data"), toJson(data)},
    });
    while (m_breadcrumbs.size() > kMaxBreadcrumbs)
        m_breadcrumbs.pop_front();
}

void HttpObservabilityClient::setTag(const QString &key, const QString &value)
{
    if (m_errorOptions)
        m_tags.insert(key, value);
}

void HttpObservabilityClient::setContext(const QString &name, const ObservabilityParameters &context)
{
    if (m_errorOptions)
        m_contexts.insert(name, context);
}

void HttpObservabilityClient::reportError(const QString &errorKind, const QString &message)
{
    if (!m_errorOptions)
        return;
    QJsonObject contexts;
    for (auto it = m_contexts.cbegin(); it != m_contexts.cend(); ++it)
        contexts.insert(it.key(), toJson(it.value()));
    QJsonArray breadcrumbs;
    for (const QJsonObject &breadcrumb : m_breadcrumbs)
        breadcrumbs.append(breadcrumb);
    post(m_errorOptions->endpoint,
        QJsonObject {
            {QStringLiteral("release"), m_errorOptions->release},
            {QStringLiteral("dist"), m_errorOptions->dist},
            {QStringLiteral("environment"), m_errorOptions->environment},
            {QStringLiteral("level"), QStringLiteral("error")},
            {QStringLiteral("error_kind"), errorKind},
            {QStringLiteral("message"), message},
            {QStringLiteral("timestamp"), timestamp()},
            {QStringLiteral("tags"), toJson(m_tags)},
            {QStringLiteral("contexts"), contexts},
            {QStringLiteral("breadcrumbs"), breadcrumbs},
        });
}

bool HttpObservabilityClient::startUsageAnalytics(const UsageAnalyticsOptions &options)
{
    if (!isHttpUrl(options.endpoint) || options.appID.isEmpty())
        return isUsageAnalyticsRunning();
    m_analyticsOptions = options;
    return true;
}

void HttpObservabilityClient::terminateUsageAnalytics()
{
    m_analyticsOptions.reset();
}

void HttpObservabilityClient::sendSignal(const QString &name, const ObservabilityParameters &parameters)
{
    if (!m_analyticsOptions)
        return;
    ObservabilityParameters merged = m_analyticsOptions->defaultParameters;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
        merged.insert(it.key(), it.value());
    QJsonObject body {
        {QStringLiteral("appID"), m_analyticsOptions->appID},
        {QStringLiteral("signalType"), m_analyticsOptions->signalPrefix + name},
        {QStringLiteral("parameters"), toJson(merged)},
    };
    if (!m_analyticsOptions->namespaceName.isEmpty())
        body.insert(QStringLiteral("namespace"), m_analyticsOptions->namespaceName);
    post(m_analyticsOptions->endpoint, body);
}

void HttpObservabilityClient::post(const QString &endpoint, const QJsonObject &body)
{
    if (*m_pending >= kMaxPendingPosts)
        return;
    ++*m_pending;
    std::weak_ptr<int> pending = m_pending;
    m_http.postJson(QUrl(endpoint), QJsonDocument(body).toJson(QJsonDocument::Compact), [pending](bool) {
        if (const auto count = pending.lock())
            --*count;
    });
}

QString HttpObservabilityClient::timestamp() const
{
    const double now = m_runtime.now();
    const qint64 seconds = std::isfinite(now) ? static_cast<qint64>(std::floor(now)) : 0;
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
}

} // namespace stirwell
