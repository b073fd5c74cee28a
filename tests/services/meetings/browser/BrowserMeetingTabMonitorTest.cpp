#include "support/QtPrinters.h"

#include "services/meetings/browser/BrowserMeetingTabMonitor.h"

#include <gtest/gtest.h>

#include <QSet>

#include <optional>

namespace stirwell {
namespace {

struct UrlCase {
    const char *address;
    bool meeting;
};

// Real addresses of each service, and the near misses that must stay out.
const UrlCase kUrlCases[] = {
    // Microsoft Teams (work or school)
    {"https://teams.microsoft.com/_#/l/meetup-join/19%3ameeting_NjQ4YzA%40thread.v2/0?context=%7b%7d", true},
    {"https://teams.microsoft.com/v2/?meetingjoin=true#/l/meetup-join/19:meeting_abc@thread.v2/0", true},
    {"https://teams.microsoft.com/light-meetings/launch?agent=web&version=24010100", true},
    {"https://teams.microsoft.com/meet/2345678901234?p=AbCdEfGh", true},
    {"https://teams.microsoft.com/dl/launcher/launcher.html?url=%2F_%23%2Fl%2Fmeetup-join", true},
    {"https://teams.microsoft.com/_#/conversations/General?threadId=19:abc", false},
    {"https://teams.microsoft.com/l/meetup-join/19%3ameeting_NjQ4YzA%40thread.v2/0", false},
    {"https://teams.microsoft.com/l/chat/0/0?users=someone@example.com", false},
    {"https://teams.microsoft.com/", false},
    // Microsoft Teams (free)
    {"https://teams.live.com/meet/9398765432101?p=XyZ123", true},
    {"https://teams.live.com/v2/", false},
    // Google Meet
    {"https://meet.google.com/abc-defg-hij", true},
    {"https://meet.google.com/abcd-efgh-ijkl?authuser=1", true},
    {"http://meet.google.com/xyz-abcd-efg", true},
    {"https://meet.google.com/ab-defg-hij", false},
    {"https://meet.google.com/landing", false},
    {"https://meet.google.com/", false},
    {"https://meet.google.com.example.net/abc-defg-hij", false},
    {"https://www.google.com/url?q=https://meet.google.com/abc-defg-hij", false},
    // Zoom web client
    {"https://us02web.zoom.us/wc/join/81234567890?pwd=abc", true},
    {"https://acme.zoom.us/wc/81234567890/start", true},
    {"https://app.zoom.us/wc/81234567890/join?fromPWA=1", true},
    {"https://us02web.zoom.us/j/81234567890?pwd=abc", false},
    {"https://notzoom.us/wc/join/81234567890", false},
    {"https://zoom.us.example.com/wc/join/81234567890", false},
    // Webex
    {"https://acme.webex.com/meet/jdoe", true},
    {"https://acme.webex.com/join/jdoe", true},
    {"https://acme.webex.com/webappng/sites/acme/meeting/info/5f3c", true},
    {"https://www.webex.com/downloads.html", false},
    // Whereby
    {"https://whereby.com/team-standup", true},
    {"https://whereby.com/team-standup/settings", false},
    {"https://whereby.com/team-standup?embed", false},
    {"https://whereby.com/", false},
    // Around
    {"https://app.around.co/Xk3Fq9", true},
    {"https://app.around.co/", false},
    // Slack huddles
    {"https://app.slack.com/client/T0123ABCD/C0456EFGH/huddle", true},
    {"https://app.slack.com/client/T0123ABCD/C0456EFGH", false},
    // Case does not matter in scheme or host
    {"HTTPS://MEET.GOOGLE.COM/ABC-DEFG-HIJ", true},
    {"https://Teams.Microsoft.com/meet/2345678901234", true},
    {"HTTP://WHEREBY.COM/Standup", true},
    // Not web addresses of a meeting at all
    {"ftp://meet.google.com/abc-defg-hij", false},
    {"meet.google.com/abc-defg-hij", false},
    {"", false},
};

class MeetingUrlTest : public ::testing::TestWithParam<UrlCase> {};

TEST_P(MeetingUrlTest, MatchesOnlyMeetingAddresses)
{
    const UrlCase &c = GetParam();
    EXPECT_EQ(BrowserMeetingTabMonitor::isMeetingURL(QString::fromUtf8(c.address)), c.meeting) << c.address;
}

INSTANTIATE_TEST_SUITE_P(Services, MeetingUrlTest, ::testing::ValuesIn(kUrlCases));

TEST(MeetingUrlPatternsTest, AllNineCompileCaseInsensitive)
{
    const auto &patterns = BrowserMeetingTabMonitor::meetingURLPatterns();
    ASSERT_EQ(patterns.size(), 9);
    for (const QRegularExpression &pattern : patterns) {
        SCOPED_TRACE(pattern.pattern().toStdString());
        EXPECT_TRUE(pattern.isValid());
        EXPECT_TRUE(pattern.patternOptions().testFlag(QRegularExpression::CaseInsensitiveOption));
        EXPECT_TRUE(pattern.pattern().startsWith(QLatin1String("^https?://")));
    }
}

TEST(FirstMeetingUrlTest, FindsTheFirstMeetingLineIgnoringBlanks)
{
    const QString text = QStringLiteral("https://example.com/\n\n   \t\n  https://meet.google.com/abc-defg-hij \t \n"
                                        "https://whereby.com/second\n");
    EXPECT_EQ(BrowserMeetingTabMonitor::firstMeetingURL(text), QStringLiteral("https://meet.google.com/abc-defg-hij"));
    EXPECT_EQ(BrowserMeetingTabMonitor::firstMeetingURL(QStringLiteral("\n\nhttps://example.com/\n")), std::nullopt);
    EXPECT_EQ(BrowserMeetingTabMonitor::firstMeetingURL(QString()), std::nullopt);
}

// A source that answers from a table and counts what it was asked.
class FakeTabSource final : public BrowserTabSource {
public:
    struct Tabs {
        TabReadStatus status = TabReadStatus::Read;
        QString activeTab;
        QStringList allTabs;
    };

    TabSearchResult findTab(const Browser &browser, TabScope scope, const AddressPredicate &predicate) override
    {
        asked.append({browser.id, scope});
        const auto it = tabs.constFind(browser.id);
        if (it == tabs.cend())
            return {TabReadStatus::NotFound, false};
        if (it->status != TabReadStatus::Read)
            return {it->status, false};
        if (scope == TabScope::ActiveTab)
            return {TabReadStatus::Read, predicate(it->activeTab)};
        for (const QString &address : it->allTabs) {
            if (predicate(address))
                return {TabReadStatus::Read, true};
        }
        return {TabReadStatus::Read, false};
    }
    QSet<QString> runningBrowserIds() override { return running; }

    QHash<QString, Tabs> tabs;
    QSet<QString> running;
    QList<std::pair<QString, TabScope>> asked;
};

class BrowserChoiceTest : public ::testing::Test {
protected:
    FakeTabSource source;
    std::optional<QString> frontmost;
    BrowserMeetingTabMonitor monitor{source, [this] { return frontmost; }};
    const QString meet = QStringLiteral("https://meet.google.com/abc-defg-hij");
};

TEST_F(BrowserChoiceTest, FrontmostBrowserIsAskedWhateverTheSustainedHost)
{
    source.tabs[QStringLiteral("firefox")] = {TabReadStatus::Read, meet, {}};
    source.running = {QStringLiteral("firefox"), QStringLiteral("google-chrome")};
    frontmost = QStringLiteral("firefox");
    EXPECT_EQ(monitor.detectActiveMeetingURL(false, QStringLiteral("google-chrome")),
              (BrowserMeetingResult{true, QStringLiteral("firefox")}));
    ASSERT_EQ(source.asked.size(), 1);
    EXPECT_EQ(source.asked[0].first, QStringLiteral("firefox"));
    EXPECT_EQ(source.asked[0].second, TabScope::ActiveTab);
}

TEST_F(BrowserChoiceTest, WindowSystemNamesMapToBrowsers)
{
    const struct {
        const char *applicationId;
        const char *browser;
    } cases[] = {
        {"firefox", "firefox"},        {"org.mozilla.firefox.desktop", "firefox"}, {"Firefox-esr", "firefox"},
        {"librewolf", "librewolf"},    {"Google-chrome", "google-chrome"},          {"com.google.Chrome", "google-chrome"},
        {"chromium", "chromium"},      {"microsoft-edge", "microsoft-edge"},        {"brave-browser", "brave"},
        {"vivaldi-stable", "vivaldi"}, {"opera", "opera"},                          {"app.zen_browser.zen", "zen"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.applicationId);
        const Browser *browser = BrowserMeetingTabMonitor::browserForApplicationId(QString::fromUtf8(c.applicationId));
        ASSERT_NE(browser, nullptr);
        EXPECT_EQ(browser->id, QString::fromUtf8(c.browser));
    }
    EXPECT_EQ(BrowserMeetingTabMonitor::browserForApplicationId(QStringLiteral("org.gnome.TextEditor")), nullptr);
    EXPECT_EQ(BrowserMeetingTabMonitor::browserForApplicationId(QString()), nullptr);
}

TEST_F(BrowserChoiceTest, SustainedHostIsAskedOnlyWhileItRuns)
{
    source.tabs[QStringLiteral("google-chrome")] = {TabReadStatus::Read, QStringLiteral("https://example.com/"), {meet}};
    frontmost = QStringLiteral("org.gnome.TextEditor");

    source.running = {QStringLiteral("google-chrome")};
    EXPECT_EQ(monitor.detectActiveMeetingURL(true, QStringLiteral("google-chrome")),
              (BrowserMeetingResult{true, QStringLiteral("google-chrome")}));
    EXPECT_EQ(source.asked.last().second, TabScope::AllTabs);

    source.running.clear();
    source.asked.clear();
    EXPECT_EQ(monitor.detectActiveMeetingURL(true, QStringLiteral("google-chrome")), BrowserMeetingResult{});
    EXPECT_TRUE(source.asked.isEmpty());

    // Without a sustained host, or with one that is no browser, nobody is asked.
    source.running = {QStringLiteral("google-chrome")};
    EXPECT_EQ(monitor.detectActiveMeetingURL(true, std::nullopt), BrowserMeetingResult{});
    EXPECT_EQ(monitor.detectActiveMeetingURL(true, QStringLiteral("org.gnome.TextEditor")), BrowserMeetingResult{});
    EXPECT_TRUE(source.asked.isEmpty());
}

TEST_F(BrowserChoiceTest, UnknownFrontmostFallsBackToTheSustainedHost)
{
    source.tabs[QStringLiteral("brave")] = {TabReadStatus::Read, meet, {meet}};
    source.running = {QStringLiteral("brave")};
    frontmost.reset();
    EXPECT_EQ(monitor.detectActiveMeetingURL(false, QStringLiteral("brave")),
              (BrowserMeetingResult{true, QStringLiteral("brave")}));
    // No provider at all behaves the same.
    BrowserMeetingTabMonitor blind(source);
    EXPECT_EQ(blind.detectActiveMeetingURL(false, QStringLiteral("brave")),
              (BrowserMeetingResult{true, QStringLiteral("brave")}));
}

TEST_F(BrowserChoiceTest, ActiveTabOnlyUnlessAllTabsAreAsked)
{
    source.tabs[QStringLiteral("chromium")] = {TabReadStatus::Read, QStringLiteral("https://example.com/"), {meet}};
    frontmost = QStringLiteral("chromium");
    EXPECT_EQ(monitor.detectActiveMeetingURL(false, std::nullopt), BrowserMeetingResult{});
    EXPECT_EQ(monitor.detectActiveMeetingURL(true, std::nullopt),
              (BrowserMeetingResult{true, QStringLiteral("chromium")}));
}

TEST_F(BrowserChoiceTest, UnreadableProfileIsNotAskedAgainUntilReset)
{
    source.tabs[QStringLiteral("google-chrome")] = {TabReadStatus::Unreadable, {}, {}};
    frontmost = QStringLiteral("google-chrome");
    EXPECT_EQ(monitor.detectActiveMeetingURL(false, std::nullopt), BrowserMeetingResult{});
    EXPECT_EQ(monitor.permissionDeniedBrowserIds(), QSet<QString>{QStringLiteral("google-chrome")});
    EXPECT_EQ(monitor.detectActiveMeetingURL(false, std::nullopt), BrowserMeetingResult{});
    EXPECT_EQ(source.asked.size(), 1);

    // Other failures are not remembered.
    frontmost = QStringLiteral("chromium");
    EXPECT_EQ(monitor.detectActiveMeetingURL(false, std::nullopt), BrowserMeetingResult{});
    EXPECT_EQ(monitor.detectActiveMeetingURL(false, std::nullopt), BrowserMeetingResult{});
    EXPECT_EQ(source.asked.size(), 3);

    source.tabs[QStringLiteral("google-chrome")] = {TabReadStatus::Read, meet, {}};
    frontmost = QStringLiteral("google-chrome");
    monitor.resetPermissionCache();
    EXPECT_TRUE(monitor.permissionDeniedBrowserIds().isEmpty());
    EXPECT_EQ(monitor.detectActiveMeetingURL(false, std::nullopt),
              (BrowserMeetingResult{true, QStringLiteral("google-chrome")}));
}

TEST(BrowserListTest, IdsAndApplicationIdsAreUniqueAndLowerCase)
{
    QSet<QString> ids;
    QSet<QString> applicationIds;
    for (const Browser &browser : BrowserMeetingTabMonitor::browsers()) {
        SCOPED_TRACE(browser.id.toStdString());
        EXPECT_FALSE(ids.contains(browser.id));
        ids.insert(browser.id);
        for (const QString &applicationId : browser.applicationIds) {
            EXPECT_EQ(applicationId, applicationId.toLower());
            EXPECT_FALSE(applicationIds.contains(applicationId)) << applicationId.toStdString();
            applicationIds.insert(applicationId);
        }
    }
}

} // namespace
} // namespace stirwell
