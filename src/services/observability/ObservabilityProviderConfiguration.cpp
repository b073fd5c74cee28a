#include "services/observability/ObservabilityProviderConfiguration.h"

namespace stirwell {

namespace {
QString orDefault(const QString &value, const QString &fallback)
{
    const QString trimmed = value.trimmed();
    return trimmed.isEmpty() ? fallback : trimmed;
}
} // namespace

ObservabilityProviderConfiguration ObservabilityProviderConfiguration::make(const QString &appId,
    const QString &version, const QString &buildNumber, const QString &errorReportingEndpoint,
    const QString &analyticsEndpoint, const QString &analyticsAppID, const QString &analyticsNamespace)
{
    const QString id = orDefault(appId, QStringLiteral("com.stirwell.app"));
    const QString shortVersion = orDefault(version, QStringLiteral("0"));
    const QString build = orDefault(buildNumber, QStringLiteral("0"));

    ObservabilityProviderConfiguration configuration;
    configuration.errorReportingEndpoint = errorReportingEndpoint.trimmed();
    configuration.analyticsEndpoint = analyticsEndpoint.trimmed();
    configuration.analyticsAppID = analyticsAppID.trimmed();
    configuration.analyticsNamespace = analyticsNamespace.trimmed();
    configuration.releaseName = id + QLatin1Char('@') + shortVersion + QLatin1Char('+') + build;
    configuration.dist = build;
    configuration.environment = QStringLiteral("production");
    configuration.appVersion = shortVersion;
    return configuration;
}

ObservabilityProviderConfiguration ObservabilityProviderConfiguration::fromBuild()
{
    // The values arrive as compile definitions of this library (see
    // src/services/CMakeLists.txt); each is a string literal, possibly empty.
    return make(QStringLiteral(STIRWELL_APP_ID), QStringLiteral(STIRWELL_VERSION),
        QStringLiteral(STIRWELL_BUILD_NUMBER), QStringLiteral(STIRWELL_ERROR_REPORTING_ENDPOINT),
        QStringLiteral(STIRWELL_ANALYTICS_ENDPOINT), QStringLiteral(STIRWELL_ANALYTICS_APP_ID),
        QStringLiteral(STIRWELL_ANALYTICS_NAMESPACE));
}

} // namespace stirwell
