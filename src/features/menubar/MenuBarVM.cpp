#include "features/menubar/MenuBarVM.h"

#include "models/StreakMilestone.h"
#include "services/storage/PreferencesStore.h"

#include <algorithm>
#include <cmath>

namespace stirwell {

QString rawValue(MenuBarDisplayStyle style)
{
    switch (style) {
    case MenuBarDisplayStyle::adaptive: return QStringLiteral("adaptive");
    case MenuBarDisplayStyle::timer: return QStringLiteral("timer");
    case MenuBarDisplayStyle::minimal: return QStringLiteral("minimal");
    }
    return QStringLiteral("adaptive");
}

QString displayLabel(MenuBarDisplayStyle style)
{
    switch (style) {
    case MenuBarDisplayStyle::adaptive: return QStringLiteral("Adaptive");
    case MenuBarDisplayStyle::timer: return QStringLiteral("Timer");
    case MenuBarDisplayStyle::minimal: return QStringLiteral("Minimal");
    }
    return QStringLiteral("Adaptive");
}

MenuBarDisplayStyle resolvedDisplayStyle(const QString &raw)
{
    for (MenuBarDisplayStyle style :
         {MenuBarDisplayStyle::adaptive, MenuBarDisplayStyle::timer, MenuBarDisplayStyle::minimal})
        if (rawValue(style) == raw)
            return style;
    return MenuBarDisplayStyle::adaptive;
}

MenuBarDisplayStyle persistedDisplayStyle(PreferencesStore &preferences)
{
    if (const auto stored = preferences.stringValue(kMenuBarDisplayStyleKey)) {
        const MenuBarDisplayStyle style = resolvedDisplayStyle(*stored);
        if (rawValue(style) != *stored)
            preferences.setString(kMenuBarDisplayStyleKey, rawValue(style));
        return style;
    }
    if (const auto timer = preferences.boolValue(kShowMenuBarTimerKey)) {
        const MenuBarDisplayStyle style = *timer ? MenuBarDisplayStyle::timer : MenuBarDisplayStyle::minimal;
        preferences.setString(kMenuBarDisplayStyleKey, rawValue(style));
        return style;
    }
    return MenuBarDisplayStyle::adaptive;
}

MenuBarVM::MenuBarVM(PreferencesStore &preferences, std::optional<MenuBarDisplayStyle> displayStyle, QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_displayStyle(displayStyle ? *displayStyle : persistedDisplayStyle(preferences))
{
}

void MenuBarVM::setStreakDays(int days)
{
    if (days == m_streakDays)
        return;
    m_streakDays = days;
    emit changed();
}

void MenuBarVM::setDisplayStyle(MenuBarDisplayStyle style)
{
    if (style == m_displayStyle)
        return;
    m_displayStyle = style;
    emit changed();
}

void MenuBarVM::setMicroBreakNudging(bool nudging)
{
    if (nudging == m_microBreakNudging)
        return;
    m_microBreakNudging = nudging;
    emit changed();
}

MenuBarLabelContent MenuBarVM::labelContent(BreakState state, bool isActive, double timeRemaining,
                                            double breakTimeRemaining, double intervalSeconds,
                                            BreakType currentBreakType, bool isInMeeting) const
{
    if (isInMeeting)
        return {QStringLiteral("video.fill"), std::nullopt};
    switch (state) {
    case BreakState::counting:
        return {menuBarIcon(), countingLabelText(isActive, timeRemaining, intervalSeconds)};
    case BreakState::due: return {icon(currentBreakType), QStringLiteral("Due")};
    case BreakState::nudge:
    case BreakState::softBlock:
    case BreakState::firmBlock:
    case BreakState::hardBlock: return {icon(currentBreakType), QStringLiteral("Now")};
    case BreakState::breakActive: return {icon(currentBreakType), compactCountdownText(breakTimeRemaining)};
    case BreakState::completed: return {QStringLiteral("checkmark.circle.fill"), std::nullopt};
    case BreakState::paused: return {QStringLiteral("pause.circle"), std::nullopt};
    }
    return {menuBarIcon(), std::nullopt};
}

QString MenuBarVM::menuBarIcon() const
{
    const auto milestone = streakMilestoneForStreak(m_streakDays);
    return milestone ? menubarIcon(*milestone) : QStringLiteral("figure.walk");
}

std::optional<QString> MenuBarVM::countingLabelText(bool isActive, double timeRemaining, double intervalSeconds) const
{
    if (!isActive)
        return streakLabelText();
    switch (m_displayStyle) {
    case MenuBarDisplayStyle::timer: return compactCountdownText(timeRemaining);
    case MenuBarDisplayStyle::adaptive:
        if (shouldShowAdaptiveCountdown(timeRemaining, intervalSeconds))
            return compactCountdownText(timeRemaining);
        return streakLabelText();
    case MenuBarDisplayStyle::minimal: return streakLabelText();
    }
    return streakLabelText();
}

bool MenuBarVM::shouldShowAdaptiveCountdown(double timeRemaining, double intervalSeconds)
{
    const double threshold = intervalSeconds > 0 ? std::clamp(intervalSeconds * 0.2, 120.0, 600.0) : 540.0;
    return timeRemaining > 0 && timeRemaining <= threshold;
}

QString MenuBarVM::compactCountdownText(double seconds)
{
    const double c = std::isfinite(seconds) ? std::ceil(seconds) : 0;
    if (c < 1)
        return QStringLiteral("0:00");
    const auto whole = static_cast<qint64>(c);
    if (whole <= 120)
        return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1m").arg((whole + 59) / 60);
}

std::optional<QString> MenuBarVM::streakLabelText() const
{
    if (m_streakDays < 1)
        return std::nullopt;
    return QStringLiteral("%1d").arg(m_streakDays);
}

} // namespace stirwell
