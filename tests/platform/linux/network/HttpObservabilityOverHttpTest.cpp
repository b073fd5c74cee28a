// The observability clients over real HTTP: the service, the HTTP
// observability client and the Qt Network client against a small HTTP server
// on the loopback interface that records what arrives.

#include "platform/linux/network/QtNetworkHttpClient.h"
#include "runtime/virtual/VirtualRuntime.h"
#include "services/observability/HttpObservabilityClient.h"
#include "services/observability/ObservabilityService.h"
#include "services/storage/PreferencesStore.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <map>

using namespace stirwell;

namespace {

// 2025-03-07T14:03:22Z
constexpr double kStart = 1741356202.0;
constexpr int kWaitMs = 5000;

// Accepts HTTP/1.1 requests on 127.0.0.1, records each, and answers with
// `status` (or not at all while `answer` is false), closing the connection.
class LocalHttpServer final : public QObject {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QByteArray contentType;
        QByteArray body;
    };

    QList<Request> requests;
    int status = 200;
    bool answer = true;

    LocalHttpServer()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
    }

    [[nodiscard]] QString url(const char *path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(QLatin1String(path));
    }

private:
    void read(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        Request request;
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        qsizetype length = 0;
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length")
                length = value.toLongLong();
            else if (name == "content-type")
                request.contentType = value;
        }
        if (buffer.size() < headerEnd + 4 + length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.clear();
        requests.append(request);
        if (!answer)
            return;
        socket->write(QByteArrayLiteral("HTTP/1.1 ") + QByteArray::number(status)
            + QByteArrayLiteral(" Status\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    std::map<QTcpSocket *, QByteArray> m_buffers;
};

// Passes every POST on and records how it ended.
class RecordingHttpClient final : public HttpClient {
public:
    explicit RecordingHttpClient(HttpClient &inner)
        : m_inner(inner)
    {
    }
    int posts = 0;
    QList<bool> results;

    void postJson(const QUrl &url, const QByteArray &body, std::function<void(bool ok)> done) override
    {
        ++posts;
        m_inner.postJson(url, body, [this, done = std::move(done)](bool ok) {
            results.append(ok);
            if (done)
                done(ok);
        });
    }

private:
    HttpClient &m_inner;
};

ObservabilityParameters fixedDefaults()
{
    return {
        {QStringLiteral("app_version"), QStringLiteral("1.2.3")},
        {QStringLiteral("build_number"), QStringLiteral("45")},
        {QStringLiteral("os_version"), QStringLiteral("12")},
        {QStringLiteral("architecture"), QStringLiteral("x86_64")},
    };
}

class HttpObservabilityOverHttpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    LocalHttpServer server;
    VirtualRuntime runtime{kStart};
    QtNetworkHttpClient network{2000};
    RecordingHttpClient http{network};
    HttpObservabilityClient client{http, runtime};
    PreferencesStore preferences;

    ObservabilityProviderConfiguration configuration(bool withEndpoints = true) const
    {
        return ObservabilityProviderConfiguration::make(QStringLiteral("com.stirwell.app"), QStringLiteral("1.2.3"),
            QStringLiteral("45"), withEndpoints ? server.url("/api/report") : QString(),
            withEndpoints ? server.url("/v1/signals") : QString(), QStringLiteral("APP-ID"), QStringLiteral("stirwell"));
    }
    void consent(bool diagnostics, bool analytics)
    {
        preferences.setBool(ObservabilityService::kDiagnosticsConsentKey, diagnostics);
        preferences.setBool(ObservabilityService::kAnalyticsConsentKey, analytics);
    }
    [[nodiscard]] bool waitForRequests(qsizetype count)
    {
        return QTest::qWaitFor([&] { return server.requests.size() >= count; }, kWaitMs);
    }
    [[nodiscard]] bool waitForResults(qsizetype count)
    {
        return QTest::qWaitFor([&] { return http.results.size() >= count; }, kWaitMs);
    }
    UsageAnalyticsOptions analyticsOptions(const QString &endpoint) const
    {
        UsageAnalyticsOptions options;
        options.endpoint = endpoint;
        options.appID = QStringLiteral("APP-ID");
        options.signalPrefix = QStringLiteral("Stirwell.");
        return options;
    }
};

} // namespace

TEST_F(HttpObservabilityOverHttpTest, PostsSignalsAndErrorReportsAsJson)
{
    consent(true, true);
    ObservabilityService service(preferences, configuration(), client, fixedDefaults());
    service.configureFromDefaults();
    ASSERT_TRUE(service.diagnosticsStarted());
    ASSERT_TRUE(service.analyticsStarted());

    service.track(AnalyticsEvent::breakCompleted, {{AnalyticsProperty::breakType, QStringLiteral("extended")}});
    ASSERT_TRUE(waitForRequests(1));
    const LocalHttpServer::Request signal = server.requests.at(0);
    EXPECT_EQ(signal.method, "POST");
    EXPECT_EQ(signal.path, "/v1/signals");
    EXPECT_EQ(signal.contentType, "application/json");
    EXPECT_EQ(signal.body,
        R"({"appID":"APP-ID","namespace":"stirwell","parameters":{"app_version":"1.2.3","architecture":"x86_64",)"
        R"("break_type":"extended","build_number":"45","os_version":"12"},"signalType":"Stirwell.break.completed"})");

    runtime.advance(90);
    service.setDiagnosticContext(
        {{AnalyticsProperty::state, QStringLiteral("counting")}, {AnalyticsProperty::mode, QStringLiteral("normal")}});
    service.reportError(QStringLiteral("storage"), QStringLiteral("daily records\nunreadable"));
    ASSERT_TRUE(waitForRequests(2));
    const LocalHttpServer::Request report = server.requests.at(1);
    EXPECT_EQ(report.method, "POST");
    EXPECT_EQ(report.path, "/api/report");
    EXPECT_EQ(report.contentType, "application/json");
    EXPECT_EQ(report.body,
        R"({"breadcrumbs":[{"category":"stirwell","data":{"app_version":"1.2.3","architecture":"x86_64",)"
        R"("break_type":"extended","build_number":"45","os_version":"12"},"level":"info",)"
        R"("message":"break.completed","timestamp":"2025-03-07T14:03:22Z","type":"default"}],)"
        R"("contexts":{"stirwell":{"app_version":"1.2.3","architecture":"x86_64","build_number":"45",)"
        R"("mode":"normal","os_version":"12","state":"counting"}},"dist":"45","environment":"production",)"
        R"("error_kind":"storage","level":"error","message":"daily records unreadable",)"
        R"("release":"com.stirwell.app@1.2.3+45","tags":{"language":"C++","platform":"linux",)"
        R"("stirwell_mode":"normal","stirwell_state":"counting"},"timestamp":"2025-03-07T14:04:52Z"})");
    ASSERT_TRUE(waitForResults(2));
    EXPECT_EQ(http.results, QList<bool>({true, true}));
    EXPECT_EQ(server.requests.size(), 2);
}

TEST_F(HttpObservabilityOverHttpTest, NothingLeavesWithoutConsent)
{
    consent(false, false);
    ObservabilityService service(preferences, configuration(), client, fixedDefaults());
    service.configureFromDefaults();
    service.track(AnalyticsEvent::appLaunched);
    service.setDiagnosticContext({{AnalyticsProperty::state, QStringLiteral("counting")}});
    service.reportError(QStringLiteral("io"), QStringLiteral("failed"));
    EXPECT_EQ(http.posts, 0);

    // The first thing that leaves is the event of the consent being given.
    service.updateConsent(false, true, QStringLiteral("settings"));
    ASSERT_TRUE(waitForResults(1));
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_TRUE(server.requests.first().body.contains("\"signalType\":\"Stirwell.observability.consent_changed\""));
}

TEST_F(HttpObservabilityOverHttpTest, NothingLeavesWithoutEndpoints)
{
    consent(true, true);
    ObservabilityService service(preferences, configuration(false), client, fixedDefaults());
    service.configureFromDefaults();
    EXPECT_FALSE(service.diagnosticsStarted());
    EXPECT_FALSE(service.analyticsStarted());
    service.updateConsent(true, true, QStringLiteral("settings"));
    service.track(AnalyticsEvent::appLaunched);
    service.reportError(QStringLiteral("io"), QStringLiteral("failed"));
    EXPECT_EQ(http.posts, 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST_F(HttpObservabilityOverHttpTest, AServerThatIsDownCostsOneFailedPostEach)
{
    QString endpoint;
    {
        QTcpServer closed;
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
        endpoint = QStringLiteral("http://127.0.0.1:%1/v1/signals").arg(closed.serverPort());
    }
    ASSERT_TRUE(client.startUsageAnalytics(analyticsOptions(endpoint)));
    client.sendSignal(QStringLiteral("app.launched"), {});
    client.sendSignal(QStringLiteral("popover.opened"), {});
    ASSERT_TRUE(waitForResults(2));
    EXPECT_EQ(http.results, QList<bool>({false, false}));
    EXPECT_EQ(http.posts, 2);
    EXPECT_EQ(client.pendingPosts(), 0);
}

TEST_F(HttpObservabilityOverHttpTest, AServerErrorIsNotRetried)
{
    server.status = 500;
    ASSERT_TRUE(client.startUsageAnalytics(analyticsOptions(server.url("/v1/signals"))));
    client.sendSignal(QStringLiteral("app.launched"), {});
    ASSERT_TRUE(waitForResults(1));
    EXPECT_EQ(http.results, QList<bool>({false}));
    EXPECT_EQ(server.requests.size(), 1);

    // The client carries on with the next signal.
    server.status = 204;
    client.sendSignal(QStringLiteral("popover.opened"), {});
    ASSERT_TRUE(waitForResults(2));
    EXPECT_EQ(http.results, QList<bool>({false, true}));
    EXPECT_EQ(server.requests.size(), 2);
    EXPECT_EQ(http.posts, 2);
}

TEST_F(HttpObservabilityOverHttpTest, AServerThatNeverAnswersTimesOut)
{
    server.answer = false;
    QtNetworkHttpClient impatient(200);
    RecordingHttpClient recording(impatient);
    HttpObservabilityClient shortClient(recording, runtime);
    ASSERT_TRUE(shortClient.startUsageAnalytics(analyticsOptions(server.url("/v1/signals"))));
    shortClient.sendSignal(QStringLiteral("app.launched"), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recording.results.isEmpty(); }, kWaitMs));
    EXPECT_EQ(recording.results, QList<bool>({false}));
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_EQ(shortClient.pendingPosts(), 0);
}
