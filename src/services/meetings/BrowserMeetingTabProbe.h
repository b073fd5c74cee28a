#pragma once

#include <QString>

#include <optional>

namespace stirwell {

// Whether a browser shows a meeting page (Meet, Teams, Zoom web, ...).
class BrowserMeetingTabProbe {
public:
    struct Result {
        bool active = false;
        // The browser's application id when `active`, if known.
        std::optional<QString> hostingBrowserId;
    };

    virtual ~BrowserMeetingTabProbe() = default;

    // `scanAllTabs` looks beyond the active tab (while a meeting is
    // confirmed); `sustainHost` is the browser that hosted the meeting so
    // far, asked even when another application is in front.
    [[nodiscard]] virtual Result detectActiveMeetingURL(bool scanAllTabs, const std::optional<QString> &sustainHost) = 0;
    // Forgets which browsers refused to be inspected, so they are asked again.
    virtual void resetPermissionCache() = 0;
};

} // namespace stirwell
