#pragma once

#include <QString>

namespace stirwell {

// What the two outside clients are configured with, fixed when the
// application is built. An empty endpoint or application id keeps the
// corresponding client off whatever the user consented to.
struct ObservabilityProviderConfiguration {
    // Receives error reports; empty: error reporting is off.
    QString errorReportingEndpoint;
    // Receives usage signals; empty: usage analytics is off (there is no
    // default server, so without one nothing leaves the machine).
    QString analyticsEndpoint;
    // Identifies the application to the usage-analytics server; empty: off.
    QString analyticsAppID;
    // Optional namespace of the usage signals; empty: none is sent.
    QString analyticsNamespace;
    // Application id, "@", short version, "+", build number.
    QString releaseName;
    // The build number.
    QString dist;
    QString environment;
    // The short version, such as "0.1.0".
    QString appVersion;

    // Fills every field from the given build values; surrounding white space
    // is dropped, and an empty application id, version or build number
    // stands as "com.stirwell.app", "0" and "0".
    [[nodiscard]] static ObservabilityProviderConfiguration make(const QString &appId, const QString &version,
        const QString &buildNumber, const QString &errorReportingEndpoint, const QString &analyticsEndpoint,
        const QString &analyticsAppID, const QString &analyticsNamespace);
    // The configuration this binary was built with.
    [[nodiscard]] static ObservabilityProviderConfiguration fromBuild();

    friend bool operator==(const ObservabilityProviderConfiguration &, const ObservabilityProviderConfiguration &)
        = default;
};

} // namespace stirwell
