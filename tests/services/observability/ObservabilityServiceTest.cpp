#include "services/observability/ObservabilityDefaultParameters.h"
#include "services/observability/ObservabilityFormat.h"
#include "services/observability/ObservabilityService.h"
#include "services/storage/PreferencesStore.h"

#include "RecordingObservabilityClient.h"

#include <QFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;
using stirwell::test::RecordingObservabilityClient;

namespace {

const QString kErrorEndpoint = QStringLiteral("https://errors.example.org/report");
const QString kAnalyticsEndpoint = QStringLiteral("https://signals.example.org/v1/signals");

ObservabilityParameters fixedDefaults()
{
    return {
        {QStringLiteral("app_version"), QStringLiteral("1.2.3")},
        {QStringLiteral("build_number"), QStringLiteral("45")},
        {QStringLiteral("os_version"), QStringLiteral("12")},
        {QStringLiteral("architecture"), QStringLiteral("x86_64")},
    };
}

ObservabilityProviderConfiguration fullConfiguration()
{
    return ObservabilityProviderConfiguration::make(QStringLiteral("com.stirwell.app"), QStringLiteral("1.2.3"),
        QStringLiteral("45"), kErrorEndpoint, kAnalyticsEndpoint, QStringLiteral("APP-ID"), QStringLiteral("stirwell"));
}

class ObservabilityServiceTest : public ::testing::Test {
protected:
    PreferencesStore preferences;
    RecordingObservabilityClient client;
    ObservabilityService service{preferences, fullConfiguration(), client, fixedDefaults()};

    void consent(bool diagnostics, bool analytics)
    {
        preferences.setBool(ObservabilityService::kDiagnosticsConsentKey, diagnostics);
        preferences.setBool(ObservabilityService::kAnalyticsConsentKey, analytics);
        service.configureFromDefaults();
    }
};

} // namespace

TEST(ObservabilityProviderConfiguration, FillsDefaultsForMissingBuildValues)
{
    const auto empty = ObservabilityProviderConfiguration::make({}, {}, {}, {}, {}, {}, {});
    EXPECT_EQ(empty.releaseName, "com.stirwell.app@0+0");
    EXPECT_EQ(empty.dist, "0");
    EXPECT_EQ(empty.appVersion, "0");
    EXPECT_EQ(empty.environment, "production");
    EXPECT_TRUE(empty.errorReportingEndpoint.isEmpty());
    EXPECT_TRUE(empty.analyticsEndpoint.isEmpty());
    EXPECT_TRUE(empty.analyticsAppID.isEmpty());

    const auto full = ObservabilityProviderConfiguration::make(QStringLiteral("org.example.x"),
        QStringLiteral("2.0.1"), QStringLiteral(" 77 "), QStringLiteral(" https://e.example/ "),
        QStringLiteral("https://a.example/"), QStringLiteral("ID"), QStringLiteral("ns"));
    EXPECT_EQ(full.releaseName, "org.example.x@2.0.1+77");
    EXPECT_EQ(full.dist, "77");
    EXPECT_EQ(full.errorReportingEndpoint, "https://e.example/");

    // Whatever this binary was built with, the shape holds.
    const auto built = ObservabilityProviderConfiguration::fromBuild();
    EXPECT_EQ(built.environment, "production");
    EXPECT_TRUE(built.releaseName.endsWith(QLatin1Char('+') + built.dist)) << built.releaseName.toStdString();
    EXPECT_TRUE(built.releaseName.contains(QLatin1Char('@') + built.appVersion + QLatin1Char('+')));
}

TEST(ObservabilityDefaultParameters, ReadsTheOsVersionFromOsRelease)
{
    struct Case {
        const char *name;
        const char *etc; // nullptr: no such file
        const char *usrLib;
        const char *expected;
    };
    const Case cases[] = {
        {"double quoted", "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n", nullptr, "12"},
        {"bare", "ID=ubuntu\nVERSION_ID=22.04\n", nullptr, "22.04"},
        {"single quoted, indented", "  VERSION_ID='39'  \n", nullptr, "39"},
        {"escaped quote", "VERSION_ID=\"1\\\"2\"\n", nullptr, "1\"2"},
        {"no VERSION_ID (rolling release)", "ID=arch\nBUILD_ID=rolling\n", nullptr, "unknown"},
        {"empty VERSION_ID", "VERSION_ID=\"\"\n", nullptr, "unknown"},
        {"only the fallback file", nullptr, "VERSION_ID=\"41\"\n", "41"},
        {"the first existing file wins", "ID=x\n", "VERSION_ID=\"41\"\n", "unknown"},
        {"no file at all", nullptr, nullptr, "unknown"},
        {"binary junk", "\x01\x02VERSION\xff\n=\n", nullptr, "unknown"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QStringList paths = {dir.filePath(QStringLiteral("etc-os-release")),
            dir.filePath(QStringLiteral("usr-lib-os-release"))};
        const char *contents[] = {c.etc, c.usrLib};
        for (int i = 0; i < 2; ++i) {
            if (!contents[i])
                continue;
            QFile file(paths[i]);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(contents[i]);
        }
        EXPECT_EQ(ObservabilityDefaultParameters::osVersion(paths), QString::fromUtf8(c.expected));
    }
}

TEST(ObservabilityDefaultParameters, CarriesVersionsOsAndArchitecture)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("os-release"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("VERSION_ID=\"12\"\n");
    file.close();

    const ObservabilityParameters expected = {
        {QStringLiteral("app_version"), QStringLiteral("1.2.3")},
        {QStringLiteral("build_number"), QStringLiteral("45")},
        {QStringLiteral("os_version"), QStringLiteral("12")},
        {QStringLiteral("architecture"), QSysInfo::currentCpuArchitecture()},
    };
    EXPECT_EQ(ObservabilityDefaultParameters::make(QStringLiteral("1.2.3"), QStringLiteral("45"), {path}), expected);
    const auto empty = ObservabilityDefaultParameters::make({}, {}, {path});
    EXPECT_EQ(empty.value(QStringLiteral("app_version")), "0");
    EXPECT_EQ(empty.value(QStringLiteral("build_number")), "0");
    EXPECT_FALSE(QSysInfo::currentCpuArchitecture().isEmpty());
}

TEST(ObservabilitySanitising, MakesOneShortLine)
{
    const QString hundred = QStringLiteral("line one\nline two\r\n") + QString(100 - 19, QLatin1Char('x'));
    ASSERT_EQ(hundred.size(), 100);
    const QString emoji = QString::fromUtf8("\xF0\x9F\x99\x82"); // one code point, two UTF-16 units
    struct Case {
        const char *name;
        QString input;
        QString expected;
    };
    const Case cases[] = {
        {"plain", QStringLiteral("softBlock"), QStringLiteral("softBlock")},
        {"line breaks become spaces", QStringLiteral("a\nb\rc\r\nd"), QStringLiteral("a b c  d")},
        {"trimmed after replacing", QStringLiteral("\r\n \tvalue \n"), QStringLiteral("value")},
        {"only breaks", QStringLiteral("\n\r\n"), QString()},
        {"100 characters with breaks",
            hundred,
            (QStringLiteral("line one line two  ") + QString(100 - 19, QLatin1Char('x'))).left(80)},
        {"exactly 80 kept", QString(80, QLatin1Char('y')), QString(80, QLatin1Char('y'))},
        {"a pair at the cut stays whole", QString(79, QLatin1Char('a')) + emoji + QStringLiteral("zz"),
            QString(79, QLatin1Char('a')) + emoji},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sanitizedAnalyticsValue(c.input), c.expected);
    }
}

TEST_F(ObservabilityServiceTest, BothConsentsOffSendNothing)
{
    consent(false, false);
    service.track(AnalyticsEvent::appLaunched);
    service.setDiagnosticContext({{AnalyticsProperty::state, QStringLiteral("counting")}});
    service.trackSettingChanged(QStringLiteral("sound_enabled"), QStringLiteral("true"));
    service.reportError(QStringLiteral("io"), QStringLiteral("write failed"));
    EXPECT_TRUE(client.calls.isEmpty()) << client.calls.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(service.diagnosticsStarted());
    EXPECT_FALSE(service.analyticsStarted());
}

TEST(ObservabilityServiceConsent, StartsAClientOnlyWithConsentAndConfiguration)
{
    struct Case {
        const char *name;
        PreferenceValue diagnostics;
        PreferenceValue analytics;
        QString errorEndpoint;
        QString analyticsEndpoint;
        QString appID;
        bool diagnosticsStarted;
        bool analyticsStarted;
    };
    const QString e = kErrorEndpoint;
    const QString a = kAnalyticsEndpoint;
    const QString app = QStringLiteral("APP");
    const Case cases[] = {
        {"both consents, fully configured", true, true, e, a, app, true, true},
        {"no consent", false, false, e, a, app, false, false},
        {"diagnostics consent without endpoint", true, false, {}, a, app, false, false},
        {"analytics consent without application id", false, true, e, a, {}, false, false},
        // Without an endpoint there is nowhere to send to: nothing leaves the machine.
        {"analytics consent without endpoint", false, true, e, {}, app, false, false},
        {"consent stored as text", QStringLiteral("true"), QStringLiteral("true"), e, a, app, false, false},
        {"consent stored as number", qint64 {1}, qint64 {1}, e, a, app, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PreferencesStore preferences;
        preferences.setValue(ObservabilityService::kDiagnosticsConsentKey, c.diagnostics);
        preferences.setValue(ObservabilityService::kAnalyticsConsentKey, c.analytics);
        RecordingObservabilityClient client;
        ObservabilityService service(preferences,
            ObservabilityProviderConfiguration::make({}, {}, {}, c.errorEndpoint, c.analyticsEndpoint, c.appID, {}),
            client, fixedDefaults());
        service.configureFromDefaults();
        EXPECT_EQ(service.diagnosticsStarted(), c.diagnosticsStarted);
        EXPECT_EQ(service.analyticsStarted(), c.analyticsStarted);
        EXPECT_EQ(client.errorRunning, c.diagnosticsStarted);
        EXPECT_EQ(client.analyticsOptions.has_value(), c.analyticsStarted);
    }
    // Missing keys are no consent.
    PreferencesStore preferences;
    RecordingObservabilityClient client;
    ObservabilityService service(preferences, fullConfiguration(), client, fixedDefaults());
    service.configureFromDefaults();
    EXPECT_TRUE(client.calls.isEmpty());
}

TEST_F(ObservabilityServiceTest, StartsTheClientsWithTheirOptionsAndScopeTags)
{
    QSignalSpy diagnosticsSpy(&service, &ObservabilityService::diagnosticsStartedChanged);
    QSignalSpy analyticsSpy(&service, &ObservabilityService::analyticsStartedChanged);
    consent(true, true);
    service.configureFromDefaults(); // already running: nothing more happens

    EXPECT_EQ(client.calls,
        QStringList({QStringLiteral("startErrorReporting"), QStringLiteral("tag platform=linux"),
            QStringLiteral("tag language=C++"), QStringLiteral("startUsageAnalytics")}));
    ErrorReportingOptions errorOptions;
    errorOptions.endpoint = kErrorEndpoint;
    errorOptions.release = QStringLiteral("com.stirwell.app@1.2.3+45");
    errorOptions.dist = QStringLiteral("45");
    errorOptions.environment = QStringLiteral("production");
    ASSERT_TRUE(client.errorOptions);
    EXPECT_EQ(*client.errorOptions, errorOptions);
    EXPECT_FALSE(client.errorOptions->sendPersonalData);
    EXPECT_DOUBLE_EQ(client.errorOptions->tracesSampleRate, 0.1);

    UsageAnalyticsOptions analyticsOptions;
    analyticsOptions.endpoint = kAnalyticsEndpoint;
    analyticsOptions.appID = QStringLiteral("APP-ID");
    analyticsOptions.namespaceName = QStringLiteral("stirwell");
    analyticsOptions.signalPrefix = QStringLiteral("Stirwell.");
    analyticsOptions.defaultParameters = fixedDefaults();
    ASSERT_TRUE(client.analyticsOptions);
    EXPECT_EQ(*client.analyticsOptions, analyticsOptions);

    EXPECT_EQ(diagnosticsSpy.count(), 1);
    EXPECT_EQ(analyticsSpy.count(), 1);
    EXPECT_EQ(service.property("diagnosticsStarted").toBool(), true);
    EXPECT_EQ(service.property("analyticsStarted").toBool(), true);
}

TEST_F(ObservabilityServiceTest, ErrorClientAlreadyRunningIsNotStartedAgain)
{
    client.errorRunning = true;
    consent(true, false);
    EXPECT_EQ(client.calls, QStringList({QStringLiteral("tag platform=linux"), QStringLiteral("tag language=C++")}));
    EXPECT_TRUE(service.diagnosticsStarted());
}

TEST_F(ObservabilityServiceTest, AClientThatCannotStartIsNotReportedAsStarted)
{
    client.refuseStart = true;
    consent(true, true);
    EXPECT_FALSE(service.diagnosticsStarted());
    EXPECT_FALSE(service.analyticsStarted());
    EXPECT_TRUE(client.callsStartingWith(QStringLiteral("tag")).isEmpty());
    service.track(AnalyticsEvent::appLaunched);
    EXPECT_TRUE(client.callsStartingWith(QStringLiteral("breadcrumb")).isEmpty());
    EXPECT_TRUE(client.callsStartingWith(QStringLiteral("signal")).isEmpty());

    // It is tried again the next time consent is applied.
    client.refuseStart = false;
    service.configureFromDefaults();
    EXPECT_TRUE(service.diagnosticsStarted());
    EXPECT_TRUE(service.analyticsStarted());
}

TEST_F(ObservabilityServiceTest, WithdrawingAnalyticsTerminatesBeforeTheConsentEvent)
{
    consent(true, true);
    client.calls.clear();
    QSignalSpy analyticsSpy(&service, &ObservabilityService::analyticsStartedChanged);

    service.updateConsent(true, false, QStringLiteral("settings"));

    EXPECT_EQ(client.calls,
        QStringList({QStringLiteral("terminateUsageAnalytics"), QStringLiteral("breadcrumb observability.consent_changed")}));
    ASSERT_EQ(client.breadcrumbs.size(), 1);
    const auto &data = client.breadcrumbs.first().data;
    EXPECT_EQ(data.value(QStringLiteral("diagnostics_enabled")), "true");
    EXPECT_EQ(data.value(QStringLiteral("analytics_enabled")), "false");
    EXPECT_EQ(data.value(QStringLiteral("source")), "settings");
    EXPECT_EQ(preferences.boolValue(ObservabilityService::kAnalyticsConsentKey), false);
    EXPECT_EQ(preferences.boolValue(ObservabilityService::kDiagnosticsConsentKey), true);
    EXPECT_FALSE(service.analyticsStarted());
    ASSERT_EQ(analyticsSpy.count(), 1);
    EXPECT_EQ(analyticsSpy.first().first().toBool(), false);

    // Later events go to the error client only.
    service.track(AnalyticsEvent::breakCompleted);
    EXPECT_EQ(client.calls.last(), "breadcrumb break.completed");
    EXPECT_TRUE(client.callsStartingWith(QStringLiteral("signal")).isEmpty());
}

TEST_F(ObservabilityServiceTest, GivingConsentStartsBeforeTheConsentEvent)
{
    consent(false, false);
    service.updateConsent(true, true, QStringLiteral("onboarding"));
    EXPECT_EQ(client.calls.mid(client.calls.size() - 2),
        QStringList({QStringLiteral("breadcrumb observability.consent_changed"),
            QStringLiteral("signal observability.consent_changed")}));
    ASSERT_EQ(client.signalsSent.size(), 1);
    EXPECT_EQ(client.signalsSent.first().parameters.value(QStringLiteral("source")), "onboarding");
}

TEST_F(ObservabilityServiceTest, WithdrawingDiagnosticsClosesTheErrorClient)
{
    consent(true, true);
    client.calls.clear();
    service.updateConsent(false, true, QStringLiteral("settings"));
    EXPECT_EQ(client.calls,
        QStringList({QStringLiteral("closeErrorReporting"), QStringLiteral("signal observability.consent_changed")}));
    EXPECT_FALSE(service.diagnosticsStarted());

    client.calls.clear();
    service.setDiagnosticContext({{AnalyticsProperty::state, QStringLiteral("counting")}});
    service.reportError(QStringLiteral("io"), QStringLiteral("x"));
    EXPECT_TRUE(client.calls.isEmpty());
}

TEST_F(ObservabilityServiceTest, TrackSendsOneSanitisedLineOverTheDefaults)
{
    consent(true, true);
    const QString longValue = QStringLiteral("first\nsecond\r\nthird ") + QString(80, QLatin1Char('z'));
    ASSERT_EQ(longValue.size(), 100);
    service.track(AnalyticsEvent::breakSkipped,
        {{AnalyticsProperty::skipTier, longValue}, {AnalyticsProperty::appVersion, QStringLiteral("9.9-custom")}});

    ObservabilityParameters expected = fixedDefaults();
    expected.insert(QStringLiteral("app_version"), QStringLiteral("9.9-custom")); // the caller's key wins
    expected.insert(QStringLiteral("skip_tier"),
        (QStringLiteral("first second  third ") + QString(80, QLatin1Char('z'))).left(80));
    ASSERT_EQ(client.breadcrumbs.size(), 1);
    ASSERT_EQ(client.signalsSent.size(), 1);
    const auto &breadcrumb = client.breadcrumbs.first();
    EXPECT_EQ(breadcrumb.level, BreadcrumbLevel::info);
    EXPECT_EQ(breadcrumb.category, "stirwell");
    EXPECT_EQ(breadcrumb.type, "default");
    EXPECT_EQ(breadcrumb.message, "break.skipped");
    EXPECT_EQ(breadcrumb.data, expected);
    EXPECT_EQ(client.signalsSent.first().name, "break.skipped");
    EXPECT_EQ(client.signalsSent.first().parameters, expected);
    const QString sent = client.signalsSent.first().parameters.value(QStringLiteral("skip_tier"));
    EXPECT_EQ(sent.size(), 80);
    EXPECT_FALSE(sent.contains(QLatin1Char('\n')) || sent.contains(QLatin1Char('\r')));
}

TEST_F(ObservabilityServiceTest, TrackSettingChangedCarriesSettingAndValue)
{
    consent(false, true);
    service.trackSettingChanged(QStringLiteral("detect_browser_meetings"), QStringLiteral("true"));
    ASSERT_EQ(client.signalsSent.size(), 1);
    EXPECT_EQ(client.signalsSent.first().name, "setting.changed");
    EXPECT_EQ(client.signalsSent.first().parameters.value(QStringLiteral("setting")), "detect_browser_meetings");
    EXPECT_EQ(client.signalsSent.first().parameters.value(QStringLiteral("value")), "true");
    EXPECT_TRUE(client.breadcrumbs.isEmpty());
}

TEST_F(ObservabilityServiceTest, DiagnosticContextBecomesTagsAndTheStirwellContext)
{
    consent(true, false);
    client.calls.clear();
    service.setDiagnosticContext({
        {AnalyticsProperty::state, QStringLiteral("softBlock\n")},
        {AnalyticsProperty::mode, QStringLiteral("normal")},
        {AnalyticsProperty::breakType, QStringLiteral("exerciseSnack")},
        {AnalyticsProperty::snoozesRemaining, QStringLiteral("2")},
    });
    EXPECT_EQ(client.calls,
        QStringList({QStringLiteral("tag stirwell_state=softBlock"), QStringLiteral("tag stirwell_mode=normal"),
            QStringLiteral("tag stirwell_break_type=exerciseSnack"), QStringLiteral("context stirwell")}));
    ObservabilityParameters expected = fixedDefaults();
    expected.insert(QStringLiteral("state"), QStringLiteral("softBlock"));
    expected.insert(QStringLiteral("mode"), QStringLiteral("normal"));
    expected.insert(QStringLiteral("break_type"), QStringLiteral("exerciseSnack"));
    expected.insert(QStringLiteral("snoozes_remaining"), QStringLiteral("2"));
    EXPECT_EQ(client.contexts.value(QStringLiteral("stirwell")), expected);

    // A context without some of the keys sets only the tags it has.
    client.calls.clear();
    service.setDiagnosticContext({{AnalyticsProperty::mode, QStringLiteral("strict")}});
    EXPECT_EQ(client.calls, QStringList({QStringLiteral("tag stirwell_mode=strict"), QStringLiteral("context stirwell")}));
}

TEST_F(ObservabilityServiceTest, ReportErrorGoesToTheErrorClientOnlyWhileItRuns)
{
    consent(false, true);
    service.reportError(QStringLiteral("io"), QStringLiteral("write failed"));
    EXPECT_TRUE(client.callsStartingWith(QStringLiteral("error")).isEmpty());

    consent(true, true);
    service.reportError(QStringLiteral("io\n"), QStringLiteral("write\nfailed"));
    EXPECT_EQ(client.callsStartingWith(QStringLiteral("error")), QStringList({QStringLiteral("error io: write failed")}));
}
