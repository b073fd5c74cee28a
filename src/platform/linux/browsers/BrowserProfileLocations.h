#pragma once

#include "services/meetings/browser/Browser.h"

#include <QString>
#include <QStringList>

namespace stirwell {

// Where each supported browser keeps its profiles on Linux: the native
// location, the Flatpak one (~/.var/app/<app id>/...) and the Snap one
// (~/snap/<name>/...). Firefox and its forks: directories holding
// profiles.ini and profile folders. Chromium family: "user data" directories
// holding "Local State" and profile folders ("Default", "Profile N").
namespace BrowserProfileLocations {

// Existing or not, in order of preference. `configHome` is
// $XDG_CONFIG_HOME (~/.config by default).
[[nodiscard]] QStringList roots(const Browser &browser, const QString &home, const QString &configHome);

// True for roots inside a Flatpak or Snap sandbox, whose lock files carry
// process ids of another pid namespace.
[[nodiscard]] bool isSandboxedRoot(const QString &root, const QString &home);

} // namespace BrowserProfileLocations

} // namespace stirwell
