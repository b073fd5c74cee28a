#pragma once

#include "services/meetings/browser/Browser.h"
#include "services/meetings/browser/BrowserTabSource.h"

#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace stirwell {

// Answer of one browser check: whether a meeting tab was seen, and in which
// browser (an id from BrowserMeetingTabMonitor::browsers()).
struct BrowserMeetingResult {
    bool active = false;
    std::optional<QString> hostingBrowserId;

    friend bool operator==(const BrowserMeetingResult &, const BrowserMeetingResult &) = default;
};

// Tells whether a browser shows a web meeting (Teams, Meet, Zoom, Webex,
// Whereby, Around, Slack huddles), asking one browser per check.
//
// The browser asked is the frontmost application when that is a known
// browser; otherwise the browser that hosted the meeting last time
// (`sustainHost`) while it still runs, so a meeting tab keeps counting while
// the user works in another window. A browser whose profile cannot be read is
// not asked again until resetPermissionCache().
//
// Nothing of the tabs is kept here: the source answers yes or no, and only
// that answer and the browser's id leave this class. Main thread.
class BrowserMeetingTabMonitor {
public:
    // The application id of the frontmost window as the window system tells
    // it (X11 WM_CLASS class, Wayland app id, desktop-file id), or nothing
    // when it cannot tell.
    using FrontmostApplicationProvider = std::function<std::optional<QString>()>;
    // Ids of the running browsers.
    using RunningBrowsersProvider = std::function<QSet<QString>()>;

    // Without a running-browsers provider, the source's own answer is used.
    explicit BrowserMeetingTabMonitor(BrowserTabSource &source,
                                      FrontmostApplicationProvider frontmostApplicationProvider = {},
                                      RunningBrowsersProvider runningBrowsersProvider = {});

    // `scanAllTabs`: every tab of every window instead of the active tab.
    // `sustainHost`: the browser that hosted the meeting at the last
    // confirmation, if any.
    [[nodiscard]] BrowserMeetingResult detectActiveMeetingURL(bool scanAllTabs,
                                                              const std::optional<QString> &sustainHost);

    // Forgets which browsers could not be read, so each is tried again.
    void resetPermissionCache();
    [[nodiscard]] const QSet<QString> &permissionDeniedBrowserIds() const { return m_permissionDeniedBrowserIds; }

    // The supported browsers, in a fixed order.
    [[nodiscard]] static const QList<Browser> &browsers();
    // The browser whose windows carry this application id, if any.
    [[nodiscard]] static const Browser *browserForApplicationId(const QString &applicationId);
    [[nodiscard]] static const Browser *browserForId(const QString &id);

    // The meeting-address patterns (case-insensitive, anchored at the start).
    [[nodiscard]] static const QList<QRegularExpression> &meetingURLPatterns();
    [[nodiscard]] static bool isMeetingURL(QStringView address);
    // The first line of `text` (one address per line, blanks and tabs around
    // it ignored) that is a meeting address.
    [[nodiscard]] static std::optional<QString> firstMeetingURL(const QString &text);

private:
    [[nodiscard]] const Browser *chooseBrowser(const std::optional<QString> &sustainHost) const;

    BrowserTabSource &m_source;
    FrontmostApplicationProvider m_frontmostApplicationProvider;
    RunningBrowsersProvider m_runningBrowsersProvider;
    QSet<QString> m_permissionDeniedBrowserIds;
};

} // namespace stirwell
