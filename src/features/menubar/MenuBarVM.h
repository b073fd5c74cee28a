#pragma once

#include "features/menubar/MenuBarDisplayStyle.h"
#include "models/BreakState.h"
#include "models/BreakType.h"

#include <QObject>
#include <QString>

#include <optional>

namespace stirwell {

class PreferencesStore;

// What the tray label shows: a symbol name and an optional short text.
struct MenuBarLabelContent {
    QString icon;
    std::optional<QString> text;
    friend bool operator==(const MenuBarLabelContent &, const MenuBarLabelContent &) = default;
};

// The tray's view model: the figures the label needs and its text rules.
// Lives for the whole run.
class MenuBarVM : public QObject {
    Q_OBJECT
public:
    // `preferences` must outlive this object. Without a style the persisted
    // one is read.
    explicit MenuBarVM(PreferencesStore &preferences, std::optional<MenuBarDisplayStyle> displayStyle = {},
                       QObject *parent = nullptr);

    [[nodiscard]] int streakDays() const { return m_streakDays; }
    void setStreakDays(int days);
    [[nodiscard]] MenuBarDisplayStyle displayStyle() const { return m_displayStyle; }
    void setDisplayStyle(MenuBarDisplayStyle style);
    [[nodiscard]] bool microBreakNudging() const { return m_microBreakNudging; }
    void setMicroBreakNudging(bool nudging);

    [[nodiscard]] MenuBarLabelContent labelContent(BreakState state, bool isActive, double timeRemaining,
                                                   double breakTimeRemaining, double intervalSeconds,
                                                   BreakType currentBreakType, bool isInMeeting) const;
    // The streak milestone's icon, or "figure.walk" below the first one.
    [[nodiscard]] QString menuBarIcon() const;
    [[nodiscard]] std::optional<QString> countingLabelText(bool isActive, double timeRemaining,
                                                           double intervalSeconds) const;
    [[nodiscard]] static bool shouldShowAdaptiveCountdown(double timeRemaining, double intervalSeconds);
    // Whole seconds rounded up: "0:00" below 1, "m:ss" up to 120, then
    // minutes rounded up with "m" ("3m").
    [[nodiscard]] static QString compactCountdownText(double seconds);
    // "12d"; none below one day.
    [[nodiscard]] std::optional<QString> streakLabelText() const;

signals:
    void changed();

private:
    PreferencesStore &m_preferences;
    int m_streakDays = 0;
    MenuBarDisplayStyle m_displayStyle;
    bool m_microBreakNudging = false;
};

} // namespace stirwell
