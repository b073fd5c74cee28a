#pragma once

#include <QString>
#include <QStringList>

namespace stirwell {

// The two session-file formats the supported browsers write.
enum class BrowserFamily { Firefox, Chromium };

// A browser whose tabs can be inspected. `id` is the stable identifier the
// meeting detector remembers as the meeting's host; `applicationIds` are the
// lower-case names the window system may report for its windows (X11
// WM_CLASS class, Wayland app id, desktop-file or Flatpak id).
struct Browser {
    QString id;
    QString name;
    BrowserFamily family = BrowserFamily::Firefox;
    QStringList applicationIds;

    friend bool operator==(const Browser &, const Browser &) = default;
};

} // namespace stirwell
