#include "services/meetings/browser/BrowserMeetingTabMonitor.h"

namespace stirwell {

namespace {

QList<QRegularExpression> compilePatterns()
{
    // Each anchors itself at the scheme; the host is a literal so that a
    // look-alike host elsewhere in an address never matches.
    static const char *const sources[] = {
        R"(^https?://teams\.microsoft\.com/(light-meetings|_#/l/meetup-join|v2/|meet/|dl/launcher))",
        R"(^https?://teams\.live\.com/meet/)",
        R"(^https?://meet\.google\.com/[a-z]{3,4}-[a-z]{3,4}-[a-z]{3,4})",
        R"(^https?://[a-z0-9.-]+\.zoom\.us/wc/)",
        R"(^https?://app\.zoom\.us/wc/)",
        R"(^https?://[a-z0-9.-]+\.webex\.com/(meet|join|webappng/sites))",
        R"(^https?://whereby\.com/[^/?#]+$)",
        R"(^https?://app\.around\.co/[A-Za-z0-9]+)",
        R"(^https?://app\.slack\.com/client/.+/huddle)",
    };
    QList<QRegularExpression> patterns;
    for (const char *source : sources) {
        QRegularExpression pattern(QString::fromLatin1(source), QRegularExpression::CaseInsensitiveOption);
        if (pattern.isValid()) {
            pattern.optimize();
            patterns.append(pattern);
        }
    }
    return patterns;
}

QString normalisedApplicationId(QString applicationId)
{
    applicationId = applicationId.trimmed().toLower();
    if (applicationId.endsWith(QLatin1String(".desktop")))
        applicationId.chop(8);
    return applicationId;
}

} // namespace

BrowserMeetingTabMonitor::BrowserMeetingTabMonitor(BrowserTabSource &source,
                                                   FrontmostApplicationProvider frontmostApplicationProvider,
                                                   RunningBrowsersProvider runningBrowsersProvider)
    : m_source(source)
    , m_frontmostApplicationProvider(std::move(frontmostApplicationProvider))
    , m_runningBrowsersProvider(std::move(runningBrowsersProvider))
{
}

const QList<Browser> &BrowserMeetingTabMonitor::browsers()
{
    using F = BrowserFamily;
    static const QList<Browser> list = {
        {QStringLiteral("firefox"), QStringLiteral("Firefox"), F::Firefox,
         {QStringLiteral("firefox"), QStringLiteral("firefox-esr"), QStringLiteral("org.mozilla.firefox"),
          QStringLiteral("firefox_firefox")}},
        {QStringLiteral("librewolf"), QStringLiteral("LibreWolf"), F::Firefox,
         {QStringLiteral("librewolf"), QStringLiteral("io.gitlab.librewolf-community")}},
        {QStringLiteral("floorp"), QStringLiteral("Floorp"), F::Firefox,
         {QStringLiteral("floorp"), QStringLiteral("one.ablaze.floorp")}},
        {QStringLiteral("zen"), QStringLiteral("Zen"), F::Firefox,
         {QStringLiteral("zen"), QStringLiteral("zen-alpha"), QStringLiteral("zen-beta"),
          QStringLiteral("app.zen_browser.zen")}},
        {QStringLiteral("google-chrome"), QStringLiteral("Google Chrome"), F::Chromium,
         {QStringLiteral("google-chrome"), QStringLiteral("google-chrome-beta"),
          QStringLiteral("google-chrome-unstable"), QStringLiteral("com.google.chrome")}},
        {QStringLiteral("chromium"), QStringLiteral("Chromium"), F::Chromium,
         {QStringLiteral("chromium"), QStringLiteral("chromium-browser"), QStringLiteral("org.chromium.chromium"),
          QStringLiteral("chromium_chromium")}},
        {QStringLiteral("microsoft-edge"), QStringLiteral("Microsoft Edge"), F::Chromium,
         {QStringLiteral("microsoft-edge"), QStringLiteral("microsoft-edge-beta"),
          QStringLiteral("microsoft-edge-dev"), QStringLiteral("com.microsoft.edge")}},
        {QStringLiteral("brave"), QStringLiteral("Brave"), F::Chromium,
         {QStringLiteral("brave-browser"), QStringLiteral("brave"), QStringLiteral("com.brave.browser"),
          QStringLiteral("brave_brave")}},
        {QStringLiteral("vivaldi"), QStringLiteral("Vivaldi"), F::Chromium,
         {QStringLiteral("vivaldi"), QStringLiteral("vivaldi-stable"), QStringLiteral("com.vivaldi.vivaldi")}},
        {QStringLiteral("opera"), QStringLiteral("Opera"), F::Chromium,
         {QStringLiteral("opera"), QStringLiteral("opera_opera")}},
    };
    return list;
}

const Browser *BrowserMeetingTabMonitor::browserForApplicationId(const QString &applicationId)
{
    const QString wanted = normalisedApplicationId(applicationId);
    if (wanted.isEmpty())
        return nullptr;
    for (const Browser &browser : browsers()) {
        if (browser.applicationIds.contains(wanted))
            return &browser;
    }
    return nullptr;
}

const Browser *BrowserMeetingTabMonitor::browserForId(const QString &id)
{
    for (const Browser &browser : browsers()) {
        if (browser.id == id)
            return &browser;
    }
    return nullptr;
}

const QList<QRegularExpression> &BrowserMeetingTabMonitor::meetingURLPatterns()
{
    static const QList<QRegularExpression> patterns = compilePatterns();
    return patterns;
}

bool BrowserMeetingTabMonitor::isMeetingURL(QStringView address)
{
    for (const QRegularExpression &pattern : meetingURLPatterns()) {
        if (pattern.match(address).hasMatch())
            return true;
    }
    return false;
}

std::optional<QString> BrowserMeetingTabMonitor::firstMeetingURL(const QString &text)
{
    const auto lines = QStringView(text).split(u'\n', Qt::SkipEmptyParts);
    for (QStringView line : lines) {
        while (!line.isEmpty() && (line.front() == u' ' || line.front() == u'\t'))
            line = line.mid(1);
        while (!line.isEmpty() && (line.back() == u' ' || line.back() == u'\t'))
            line.chop(1);
        if (!line.isEmpty() && isMeetingURL(line))
            return line.toString();
    }
    return std::nullopt;
}

const Browser *BrowserMeetingTabMonitor::chooseBrowser(const std::optional<QString> &sustainHost) const
{
    if (m_frontmostApplicationProvider) {
        if (const auto frontmost = m_frontmostApplicationProvider()) {
            if (const Browser *browser = browserForApplicationId(*frontmost))
                return browser;
        }
    }
    if (!sustainHost)
        return nullptr;
    const Browser *host = browserForId(*sustainHost);
    if (!host)
        return nullptr;
    const QSet<QString> running = m_runningBrowsersProvider ? m_runningBrowsersProvider() : m_source.runningBrowserIds();
    return running.contains(host->id) ? host : nullptr;
}

BrowserMeetingResult BrowserMeetingTabMonitor::detectActiveMeetingURL(bool scanAllTabs,
                                                                      const std::optional<QString> &sustainHost)
{
    const Browser *candidate = chooseBrowser(sustainHost);
    if (!candidate || m_permissionDeniedBrowserIds.contains(candidate->id))
        return {};
    const TabSearchResult result = m_source.findTab(*candidate, scanAllTabs ? TabScope::AllTabs : TabScope::ActiveTab,
                                                    [](QStringView address) { return isMeetingURL(address); });
    if (result.status == TabReadStatus::Unreadable) {
        m_permissionDeniedBrowserIds.insert(candidate->id);
        return {};
    }
    if (result.status != TabReadStatus::Read || !result.found)
        return {};
    return {true, candidate->id};
}

void BrowserMeetingTabMonitor::resetPermissionCache()
{
    m_permissionDeniedBrowserIds.clear();
}

} // namespace stirwell
