#include "runtime/virtual/VirtualRuntime.h"
#include "services/network/HttpClient.h"
#include "services/observability/HttpObservabilityClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <memory>

using namespace stirwell;

namespace {

// 2025-03-07T14:03:22Z
constexpr double kStart = 1741356202.0;

// Keeps every POST; a test completes them when it likes.
class FakeHttpClient final : public HttpClient {
public:
    struct Post {
        QUrl url;
        QJsonObject body;
        std::function<void(bool)> done;
    };
    QList<Post> posts;

    void postJson(const QUrl &url, const QByteArray &body, std::function<void(bool ok)> done) override
    {
        posts.append({url, QJsonDocument::fromJson(body).object(), std::move(done)});
    }
    void completeAll(bool ok)
    {
        for (Post &post : posts)
            if (auto done = std::exchange(post.done, {}))
                done(ok);
    }
};

ErrorReportingOptions errorOptions()
{
    ErrorReportingOptions options;
    options.endpoint = QStringLiteral("https://errors.example.org/report");
    options.release = QStringLiteral("com.stirwell.app@1.2.3+45");
    options.dist = QStringLiteral("45");
    options.environment = QStringLiteral("production");
    return options;
}

UsageAnalyticsOptions analyticsOptions()
{
    UsageAnalyticsOptions options;
    options.endpoint = QStringLiteral("https://signals.example.org/v1/signals");
    options.appID = QStringLiteral("APP-ID");
    options.namespaceName = QStringLiteral("stirwell");
    options.signalPrefix = QStringLiteral("Stirwell.");
    options.defaultParameters = {{QStringLiteral("app_version"), QStringLiteral("1.2.3")},
        {QStringLiteral("architecture"), QStringLiteral("x86_64")}};
    return options;
}

class HttpObservabilityClientTest : public ::testing::Test {
protected:
    FakeHttpClient http;
    VirtualRuntime runtime{kStart};
    HttpObservabilityClient client{http, runtime};
};

} // namespace

TEST_F(HttpObservabilityClientTest, SendsNothingWhileNotStarted)
{
    client.sendSignal(QStringLiteral("app.launched"), {});
    client.addBreadcrumb(BreadcrumbLevel::info, QStringLiteral("stirwell"), QStringLiteral("default"),
        QStringLiteral("app.launched"), {});
    client.setTag(QStringLiteral("platform"), QStringLiteral("linux"));
    client.reportError(QStringLiteral("io"), QStringLiteral("failed"));
    EXPECT_TRUE(http.posts.isEmpty());
    EXPECT_EQ(client.breadcrumbCount(), 0u);

    // Stopped again after running: the same.
    ASSERT_TRUE(client.startUsageAnalytics(analyticsOptions()));
    client.terminateUsageAnalytics();
    client.sendSignal(QStringLiteral("app.launched"), {});
    EXPECT_TRUE(http.posts.isEmpty());
}

TEST_F(HttpObservabilityClientTest, RefusesEndpointsThatAreNotHttp)
{
    const char *endpoints[] = {"", "not a url", "file:///tmp/signals", "ftp://example.org/x", "https://"};
    for (const char *endpoint : endpoints) {
        SCOPED_TRACE(endpoint);
        ErrorReportingOptions error = errorOptions();
        error.endpoint = QString::fromUtf8(endpoint);
        EXPECT_FALSE(client.startErrorReporting(error));
        UsageAnalyticsOptions analytics = analyticsOptions();
        analytics.endpoint = QString::fromUtf8(endpoint);
        EXPECT_FALSE(client.startUsageAnalytics(analytics));
    }
    UsageAnalyticsOptions noApp = analyticsOptions();
    noApp.appID.clear();
    EXPECT_FALSE(client.startUsageAnalytics(noApp));
    EXPECT_FALSE(client.isErrorReportingRunning());
    EXPECT_FALSE(client.isUsageAnalyticsRunning());
}

TEST_F(HttpObservabilityClientTest, PostsOneSignalWithPrefixNamespaceAndMergedParameters)
{
    ASSERT_TRUE(client.startUsageAnalytics(analyticsOptions()));
    client.sendSignal(QStringLiteral("break.completed"),
        {{QStringLiteral("break_type"), QStringLiteral("extended")}, {QStringLiteral("app_version"), QStringLiteral("2")}});
    ASSERT_EQ(http.posts.size(), 1);
    EXPECT_EQ(http.posts.first().url, QUrl(QStringLiteral("https://signals.example.org/v1/signals")));
    const QJsonObject expected {
        {QStringLiteral("appID"), QStringLiteral("APP-ID")},
        {QStringLiteral("namespace"), QStringLiteral("stirwell")},
        {QStringLiteral("signalType"), QStringLiteral("Stirwell.break.completed")},
        {QStringLiteral("parameters"),
            QJsonObject {{QStringLiteral("app_version"), QStringLiteral("2")},
                {QStringLiteral("architecture"), QStringLiteral("x86_64")},
                {QStringLiteral("break_type"), QStringLiteral("extended")}}},
    };
    EXPECT_EQ(http.posts.first().body, expected);

    // Without a namespace the key is absent.
    client.terminateUsageAnalytics();
    UsageAnalyticsOptions options = analyticsOptions();
    options.namespaceName.clear();
    ASSERT_TRUE(client.startUsageAnalytics(options));
    client.sendSignal(QStringLiteral("app.launched"), {});
    ASSERT_EQ(http.posts.size(), 2);
    EXPECT_FALSE(http.posts.last().body.contains(QStringLiteral("namespace")));
}

TEST_F(HttpObservabilityClientTest, ErrorReportCarriesScopeAndTheLatestBreadcrumbs)
{
    ASSERT_TRUE(client.startErrorReporting(errorOptions()));
    client.setTag(QStringLiteral("platform"), QStringLiteral("linux"));
    client.setTag(QStringLiteral("stirwell_state"), QStringLiteral("counting"));
    client.setContext(QStringLiteral("stirwell"), {{QStringLiteral("state"), QStringLiteral("counting")}});
    for (int i = 0; i < 105; ++i) {
        runtime.advance(1);
        client.addBreadcrumb(BreadcrumbLevel::info, QStringLiteral("stirwell"), QStringLiteral("default"),
            QStringLiteral("event.%1").arg(i), {{QStringLiteral("n"), QString::number(i)}});
    }
    EXPECT_EQ(client.breadcrumbCount(), HttpObservabilityClient::kMaxBreadcrumbs);
    client.reportError(QStringLiteral("storage"), QStringLiteral("daily records unreadable"));

    ASSERT_EQ(http.posts.size(), 1);
    EXPECT_EQ(http.posts.first().url, QUrl(QStringLiteral("https://errors.example.org/report")));
    const QJsonObject body = http.posts.first().body;
    const QJsonArray breadcrumbs = body.value(QStringLiteral("breadcrumbs")).toArray();
    ASSERT_EQ(breadcrumbs.size(), 100);
    // The five oldest fell out; the rest keep their order and time stamps.
    EXPECT_EQ(breadcrumbs.first().toObject(),
        (QJsonObject {{QStringLiteral("timestamp"), QStringLiteral("2025-03-07T14:03:28Z")},
            {QStringLiteral("level"), QStringLiteral("info")}, {QStringLiteral("category"), QStringLiteral("stirwell")},
            {QStringLiteral("type"), QStringLiteral("default")}, {QStringLiteral("message"), QStringLiteral("event.5")},
            {QStringLiteral("data"), QJsonObject {{QStringLiteral("n"), QStringLiteral("5")}}}}));
    EXPECT_EQ(breadcrumbs.last().toObject().value(QStringLiteral("message")), QStringLiteral("event.104"));

    QJsonObject rest = body;
    rest.remove(QStringLiteral("breadcrumbs"));
    const QJsonObject expected {
        {QStringLiteral("release"), QStringLiteral("com.stirwell.app@1.2.3+45")},
        {QStringLiteral("dist"), QStringLiteral("45")},
        {QStringLiteral("environment"), QStringLiteral("production")},
        {QStringLiteral("level"), QStringLiteral("error")},
        {QStringLiteral("error_kind"), QStringLiteral("storage")},
        {QStringLiteral("message"), QStringLiteral("daily records unreadable")},
        {QStringLiteral("timestamp"), QStringLiteral("2025-03-07T14:05:07Z")},
        {QStringLiteral("tags"),
            QJsonObject {{QStringLiteral("platform"), QStringLiteral("linux")},
                {QStringLiteral("stirwell_state"), QStringLiteral("counting")}}},
        {QStringLiteral("contexts"),
            QJsonObject {{QStringLiteral("stirwell"), QJsonObject {{QStringLiteral("state"), QStringLiteral("counting")}}}}},
    };
    EXPECT_EQ(rest, expected);
}

TEST_F(HttpObservabilityClientTest, ClosingForgetsTheScope)
{
    ASSERT_TRUE(client.startErrorReporting(errorOptions()));
    client.setTag(QStringLiteral("platform"), QStringLiteral("linux"));
    client.setContext(QStringLiteral("stirwell"), {{QStringLiteral("state"), QStringLiteral("counting")}});
    client.addBreadcrumb(BreadcrumbLevel::info, QStringLiteral("stirwell"), QStringLiteral("default"),
        QStringLiteral("app.launched"), {});
    client.closeErrorReporting();
    EXPECT_FALSE(client.isErrorReportingRunning());
    EXPECT_EQ(client.breadcrumbCount(), 0u);

    ASSERT_TRUE(client.startErrorReporting(errorOptions()));
    client.reportError(QStringLiteral("io"), QStringLiteral("x"));
    ASSERT_EQ(http.posts.size(), 1);
    const QJsonObject body = http.posts.first().body;
    EXPECT_TRUE(body.value(QStringLiteral("tags")).toObject().isEmpty());
    EXPECT_TRUE(body.value(QStringLiteral("contexts")).toObject().isEmpty());
    EXPECT_TRUE(body.value(QStringLiteral("breadcrumbs")).toArray().isEmpty());
}

TEST_F(HttpObservabilityClientTest, DropsWhatComesWhileTooManyPostsAreUnderWay)
{
    ASSERT_TRUE(client.startUsageAnalytics(analyticsOptions()));
    for (int i = 0; i < HttpObservabilityClient::kMaxPendingPosts + 5; ++i)
        client.sendSignal(QStringLiteral("popover.opened"), {});
    EXPECT_EQ(http.posts.size(), HttpObservabilityClient::kMaxPendingPosts);
    EXPECT_EQ(client.pendingPosts(), HttpObservabilityClient::kMaxPendingPosts);

    // Failed or not, a finished post frees its place; nothing is retried.
    http.completeAll(false);
    EXPECT_EQ(client.pendingPosts(), 0);
    EXPECT_EQ(http.posts.size(), HttpObservabilityClient::kMaxPendingPosts);
    client.sendSignal(QStringLiteral("popover.opened"), {});
    EXPECT_EQ(http.posts.size(), HttpObservabilityClient::kMaxPendingPosts + 1);
}

TEST(HttpObservabilityClientLifetime, APostFinishingAfterTheClientIsGoneIsHarmless)
{
    FakeHttpClient http;
    VirtualRuntime runtime(kStart);
    {
        HttpObservabilityClient client(http, runtime);
        ASSERT_TRUE(client.startUsageAnalytics(analyticsOptions()));
        client.sendSignal(QStringLiteral("app.terminated"), {});
    }
    ASSERT_EQ(http.posts.size(), 1);
    http.completeAll(true);
}
