#include "services/observability/ObservabilityService.h"

#include "services/observability/ObservabilityDefaultParameters.h"
#include "services/observability/ObservabilityFormat.h"
#include "services/storage/PreferencesStore.h"

namespace stirwell {

namespace {
const QString kSignalPrefix = QStringLiteral("Stirwell.");
} // namespace

ObservabilityService::ObservabilityService(PreferencesStore &preferences,
    ObservabilityProviderConfiguration configuration, ObservabilityClient &client, QObject *parent)
    : ObservabilityService(preferences, configuration, client,
          ObservabilityDefaultParameters::make(configuration.appVersion, configuration.dist), parent)
{
}

ObservabilityService::ObservabilityService(PreferencesStore &preferences,
    ObservabilityProviderConfiguration configuration, ObservabilityClient &client,
    ObservabilityParameters defaultParameters, QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_configuration(std::move(configuration))
    , m_client(client)
    , m_defaultParameters(std::move(defaultParameters))
{
}

void ObservabilityService::configureFromDefaults()
{
    const bool diagnosticsConsent = m_preferences.boolValue(kDiagnosticsConsentKey).value_or(false);
    const bool analyticsConsent = m_preferences.boolValue(kAnalyticsConsentKey).value_or(false);
    const bool diagnosticsWanted = diagnosticsConsent && !m_configuration.errorReportingEndpoint.isEmpty();
    const bool analyticsWanted = analyticsConsent && !m_configuration.analyticsAppID.isEmpty()
        && !m_configuration.analyticsEndpoint.isEmpty();

    if (diagnosticsWanted && !m_diagnosticsStarted) {
        bool running = m_client.isErrorReportingRunning();
        if (!running) {
            ErrorReportingOptions options;
            options.endpoint = m_configuration.errorReportingEndpoint;
            options.release = m_configuration.releaseName;
            options.dist = m_configuration.dist;
            options.environment = m_configuration.environment;
            running = m_client.startErrorReporting(options);
        }
        // A client that could not start is not reported as started; the next
        // call tries again.
        if (running) {
            m_client.setTag(QStringLiteral("platform"), QStringLiteral("linux"));
            m_client.setTag(QStringLiteral("language"), QStringLiteral("C++"));
        }
        setDiagnosticsStarted(running);
    } else if (!diagnosticsWanted && m_diagnosticsStarted) {
        if (m_client.isErrorReportingRunning())
            m_client.closeErrorReporting();
        setDiagnosticsStarted(false);
    }

    if (analyticsWanted && !m_analyticsStarted) {
        UsageAnalyticsOptions options;
        options.endpoint = m_configuration.analyticsEndpoint;
        options.appID = m_configuration.analyticsAppID;
        options.namespaceName = m_configuration.analyticsNamespace;
        options.signalPrefix = kSignalPrefix;
        options.defaultParameters = m_defaultParameters;
        setAnalyticsStarted(m_client.startUsageAnalytics(options));
    } else if (!analyticsWanted && m_analyticsStarted) {
        m_client.terminateUsageAnalytics();
        setAnalyticsStarted(false);
    }
}

void ObservabilityService::updateConsent(bool diagnosticsEnabled, bool analyticsEnabled, const QString &source)
{
    m_preferences.setBool(kDiagnosticsConsentKey, diagnosticsEnabled);
    m_preferences.setBool(kAnalyticsConsentKey, analyticsEnabled);
    configureFromDefaults();
    track(AnalyticsEvent::observabilityConsentChanged,
        {
            {AnalyticsProperty::diagnosticsEnabled, boolString(diagnosticsEnabled)},
            {AnalyticsProperty::analyticsEnabled, boolString(analyticsEnabled)},
            {AnalyticsProperty::source, source},
        });
}

ObservabilityParameters ObservabilityService::sanitizedParameters(const AnalyticsProperties &properties) const
{
    ObservabilityParameters parameters = m_defaultParameters;
    for (const auto &[property, value] : properties)
        parameters.insert(analyticsPropertyKey(property), sanitizedAnalyticsValue(value));
    return parameters;
}

void ObservabilityService::track(AnalyticsEvent event, const AnalyticsProperties &properties)
{
    if (!m_diagnosticsStarted && !m_analyticsStarted)
        return;
    const ObservabilityParameters parameters = sanitizedParameters(properties);
    const QString name = analyticsEventName(event);
    if (m_diagnosticsStarted && m_client.isErrorReportingRunning())
        m_client.addBreadcrumb(BreadcrumbLevel::info, QStringLiteral("stirwell"), QStringLiteral("default"), name,
            parameters);
    if (m_analyticsStarted)
        m_client.sendSignal(name, parameters);
}

void ObservabilityService::setDiagnosticContext(const AnalyticsProperties &context)
{
    if (!m_diagnosticsStarted || !m_client.isErrorReportingRunning())
        return;
    const ObservabilityParameters parameters = sanitizedParameters(context);
    static const std::pair<AnalyticsProperty, const char *> kTags[] = {
        {AnalyticsProperty::state, "stirwell_state"},
        {AnalyticsProperty::mode, "stirwell_mode"},
        {AnalyticsProperty::breakType, "stirwell_break_type"},
    };
    for (const auto &[property, tag] : kTags) {
        const auto found = parameters.constFind(analyticsPropertyKey(property));
        if (found != parameters.constEnd())
            m_client.setTag(QString::fromLatin1(tag), found.value());
    }
    m_client.setContext(kContextName, parameters);
}

void ObservabilityService::trackSettingChanged(const QString &setting, const QString &value)
{
    track(AnalyticsEvent::settingChanged, {{AnalyticsProperty::setting, setting}, {AnalyticsProperty::value, value}});
}

void ObservabilityService::reportError(const QString &errorKind, const QString &message)
{
    if (!m_diagnosticsStarted || !m_client.isErrorReportingRunning())
        return;
    m_client.reportError(sanitizedAnalyticsValue(errorKind), sanitizedAnalyticsValue(message));
}

void ObservabilityService::setDiagnosticsStarted(bool started)
{
    if (m_diagnosticsStarted == started)
        return;
    m_diagnosticsStarted = started;
    Q_EMIT diagnosticsStartedChanged(started);
}

void ObservabilityService::setAnalyticsStarted(bool started)
{
    if (m_analyticsStarted == started)
        return;
    m_analyticsStarted = started;
    Q_EMIT analyticsStartedChanged(started);
}

} // namespace stirwell
