#pragma once

#include "services/meetings/browser/Browser.h"

#include <QSet>
#include <QString>
#include <QStringView>

#include <functional>

namespace stirwell {

// Which tabs a question is about: the selected tab of the browser's active
// window, or every open tab of every window.
enum class TabScope { ActiveTab, AllTabs };

// `Read`: the browser's tabs were inspected. `NotFound`: no profile or no
// session of that browser exists (not installed, never run, nothing open).
// `Unreadable`: a profile exists but its tabs cannot be read (permissions,
// sandbox, an encrypted session store).
enum class TabReadStatus { Read, NotFound, Unreadable };

struct TabSearchResult {
    TabReadStatus status = TabReadStatus::NotFound;
    bool found = false;
};

// Where the tab addresses of the running browsers come from.
//
// Addresses never leave an implementation: callers pass the predicate that
// recognises the addresses they look for and get back only whether one of
// the tabs in scope satisfies it. Implementations may remember that yes/no
// answer until the browser's state changes, so the predicate must give the
// same answer for the same address for the life of the source.
class BrowserTabSource {
public:
    using AddressPredicate = std::function<bool(QStringView address)>;

    virtual ~BrowserTabSource() = default;

    [[nodiscard]] virtual TabSearchResult findTab(const Browser &browser, TabScope scope,
                                                  const AddressPredicate &predicate) = 0;
    // Ids of the browsers (from BrowserMeetingTabMonitor::browsers()) that are
    // running now, as far as the source can tell.
    [[nodiscard]] virtual QSet<QString> runningBrowserIds() = 0;
};

} // namespace stirwell
