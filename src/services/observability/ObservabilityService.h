#pragma once

#include "services/observability/AnalyticsSink.h"
#include "services/observability/ObservabilityClient.h"
#include "services/observability/ObservabilityProviderConfiguration.h"

#include <QObject>

namespace stirwell {

class PreferencesStore;

// The application's AnalyticsSink: forwards usage events and error-report
// context to the outside clients, each only while the user consents to it
// and the build configures it.
//
// Consent lives in the preferences under kDiagnosticsConsentKey (error
// reports) and kAnalyticsConsentKey (usage signals); a missing key or a value
// that is not a Boolean means no consent. Error reporting runs when consented
// and an error-reporting endpoint is configured; usage analytics when
// consented and both an analytics endpoint and application id are.
//
// Every value handed on is sanitised (see sanitizedParameters) and merged
// over the default parameters. The composition root creates one instance;
// it is used from the main thread.
class ObservabilityService final : public QObject, public AnalyticsSink {
    Q_OBJECT
    Q_PROPERTY(bool diagnosticsStarted READ diagnosticsStarted NOTIFY diagnosticsStartedChanged)
    Q_PROPERTY(bool analyticsStarted READ analyticsStarted NOTIFY analyticsStartedChanged)
public:
    static inline const QString kDiagnosticsConsentKey = QStringLiteral("anonymousDiagnosticsEnabled");
    static inline const QString kAnalyticsConsentKey = QStringLiteral("anonymousAnalyticsEnabled");
    // Context and tag names on error reports.
    static inline const QString kContextName = QStringLiteral("stirwell");

    // Both clients start off; call configureFromDefaults() to apply consent.
    ObservabilityService(PreferencesStore &preferences, ObservabilityProviderConfiguration configuration,
        ObservabilityClient &client, QObject *parent = nullptr);
    // Same, with the default parameters given (tests, benchmarks).
    ObservabilityService(PreferencesStore &preferences, ObservabilityProviderConfiguration configuration,
        ObservabilityClient &client, ObservabilityParameters defaultParameters, QObject *parent = nullptr);

    [[nodiscard]] bool diagnosticsStarted() const { return m_diagnosticsStarted; }
    [[nodiscard]] bool analyticsStarted() const { return m_analyticsStarted; }
    [[nodiscard]] const ObservabilityProviderConfiguration &configuration() const { return m_configuration; }
    [[nodiscard]] const ObservabilityParameters &defaultParameters() const { return m_defaultParameters; }

    // Starts or stops each client to match the stored consent and the
    // configuration. A withdrawn consent stops its client at once.
    void configureFromDefaults();
    // Stores both consents, applies them, then tracks
    // "observability.consent_changed" with both values and `source`; a client
    // switched off here therefore never sees that event.
    void updateConsent(bool diagnosticsEnabled, bool analyticsEnabled, const QString &source);

    void track(AnalyticsEvent event, const AnalyticsProperties &properties = {}) override;
    // While error reporting runs: the sanitised context becomes the error
    // reports' context "stirwell", and its "state", "mode" and "break_type"
    // the tags "stirwell_state", "stirwell_mode" and "stirwell_break_type".
    void setDiagnosticContext(const AnalyticsProperties &context) override;
    // Tracks "setting.changed" with "setting" and "value".
    void trackSettingChanged(const QString &setting, const QString &value);
    // Sends one error report (kind and message sanitised like any value)
    // while error reporting runs; nothing in the application calls it on
    // its own.
    void reportError(const QString &errorKind, const QString &message);

    // The default parameters overlaid with every sanitised value of
    // `properties` under its key string; the caller's keys win.
    [[nodiscard]] ObservabilityParameters sanitizedParameters(const AnalyticsProperties &properties) const;

Q_SIGNALS:
    void diagnosticsStartedChanged(bool started);
    void analyticsStartedChanged(bool started);

private:
    void setDiagnosticsStarted(bool started);
    void setAnalyticsStarted(bool started);

    PreferencesStore &m_preferences;
    ObservabilityProviderConfiguration m_configuration;
    ObservabilityClient &m_client;
    ObservabilityParameters m_defaultParameters;
    bool m_diagnosticsStarted = false;
    bool m_analyticsStarted = false;
};

} // namespace stirwell
