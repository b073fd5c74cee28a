#pragma once

#include "services/meetings/BrowserMeetingTabProbe.h"
#include "services/meetings/browser/BrowserMeetingTabMonitor.h"

namespace stirwell {

// The meeting detector's view of the browser tab monitor.
class BrowserTabMonitorProbe final : public BrowserMeetingTabProbe {
public:
    explicit BrowserTabMonitorProbe(BrowserMeetingTabMonitor &monitor) : m_monitor(monitor) {}

    Result detectActiveMeetingURL(bool scanAllTabs, const std::optional<QString> &sustainHost) override
    {
        const BrowserMeetingResult found = m_monitor.detectActiveMeetingURL(scanAllTabs, sustainHost);
        return Result{found.active, found.hostingBrowserId};
    }
    void resetPermissionCache() override { m_monitor.resetPermissionCache(); }

private:
    BrowserMeetingTabMonitor &m_monitor;
};

} // namespace stirwell
