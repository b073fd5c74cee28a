#pragma once

#include <QString>

namespace stirwell {

class PreferencesStore;

// What the tray label shows while the countdown runs.
enum class MenuBarDisplayStyle { adaptive, timer, minimal };

[[nodiscard]] QString rawValue(MenuBarDisplayStyle style);
[[nodiscard]] QString displayLabel(MenuBarDisplayStyle style);

inline const QString kMenuBarDisplayStyleKey = QStringLiteral("menuBarDisplayStyle");
inline const QString kShowMenuBarTimerKey = QStringLiteral("showMenuBarTimer");

// Any text that names no style is `adaptive`.
[[nodiscard]] MenuBarDisplayStyle resolvedDisplayStyle(const QString &raw);
// The stored choice: "menuBarDisplayStyle" (rewritten when it named no style
// exactly), else the older boolean "showMenuBarTimer" (true: timer, false:
// minimal; the new key is then written), else adaptive without writing.
[[nodiscard]] MenuBarDisplayStyle persistedDisplayStyle(PreferencesStore &preferences);

} // namespace stirwell
