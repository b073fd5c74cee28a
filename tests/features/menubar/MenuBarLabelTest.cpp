// The tray label's rules as tables: icon and text per state, the countdown
// texts, the display styles and their stored forms.
#include "support/QtPrinters.h"

#include "features/menubar/MenuBarVM.h"
#include "services/storage/PreferencesStore.h"

#include <gtest/gtest.h>

using namespace stirwell;

namespace {

std::string show(const std::optional<QString> &text) { return text ? text->toStdString() : "(none)"; }

TEST(MenuBarLabel, CompactCountdown)
{
    const std::pair<double, const char *> cases[] = {
        {0, "0:00"}, {-5, "0:00"}, {0.4, "0:01"}, {7, "0:07"}, {120, "2:00"},
        {120.2, "3m"}, {121, "3m"}, {540, "9m"}, {600, "10m"},
    };
    for (const auto &[seconds, text] : cases)
        EXPECT_EQ(MenuBarVM::compactCountdownText(seconds), QString::fromLatin1(text)) << seconds;
}

TEST(MenuBarLabel, AdaptiveCountdownThreshold)
{
    struct Case {
        double remaining;
        double interval;
        bool shows;
    };
    const Case cases[] = {
        {541, 2700, false}, {540, 2700, true}, {0.4, 2700, true}, {0, 2700, false},
        {121, 300, false},  {120, 300, true}, // 20 % of 300 is raised to 120
        {601, 7200, false}, {600, 7200, true}, // 20 % of 7200 is capped at 600
        {540, 0, true},     {541, 0, false},   // no interval: 540
    };
    for (const Case &c : cases)
        EXPECT_EQ(MenuBarVM::shouldShowAdaptiveCountdown(c.remaining, c.interval), c.shows)
            << c.remaining << " of " << c.interval;
}

TEST(MenuBarLabel, ContentPerState)
{
    PreferencesStore preferences;
    MenuBarVM vm(preferences);
    vm.setStreakDays(12);
    struct Case {
        BreakState state;
        bool meeting;
        double remaining;
        QString icon;
        std::optional<QString> text;
    };
    const Case cases[] = {
        {BreakState::counting, true, 100, QStringLiteral("video.fill"), std::nullopt},
        {BreakState::nudge, true, 100, QStringLiteral("video.fill"), std::nullopt},
        {BreakState::counting, false, 541, QStringLiteral("figure.walk"), QStringLiteral("12d")},
        {BreakState::counting, false, 540, QStringLiteral("figure.walk"), QStringLiteral("9m")},
        {BreakState::counting, false, 120, QStringLiteral("figure.walk"), QStringLiteral("2:00")},
        {BreakState::counting, false, 0, QStringLiteral("figure.walk"), QStringLiteral("12d")},
        {BreakState::due, false, 0, QStringLiteral("figure.walk"), QStringLiteral("Due")},
        {BreakState::nudge, false, 0, QStringLiteral("figure.walk"), QStringLiteral("Now")},
        {BreakState::hardBlock, false, 0, QStringLiteral("figure.walk"), QStringLiteral("Now")},
        {BreakState::breakActive, false, 0, QStringLiteral("figure.walk"), QStringLiteral("1:15")},
        {BreakState::completed, false, 0, QStringLiteral("checkmark.circle.fill"), std::nullopt},
        {BreakState::paused, false, 0, QStringLiteral("pause.circle"), std::nullopt},
    };
    for (const Case &c : cases) {
        const MenuBarLabelContent content =
            vm.labelContent(c.state, true, c.remaining, 75, 2700, BreakType::movement, c.meeting);
        EXPECT_EQ(content.icon, c.icon) << rawValue(c.state).toStdString() << " " << c.remaining;
        EXPECT_EQ(show(content.text), show(c.text)) << rawValue(c.state).toStdString() << " " << c.remaining;
    }
    EXPECT_EQ(vm.labelContent(BreakState::nudge, true, 0, 0, 2700, BreakType::exerciseSnack, false).icon,
              QStringLiteral("figure.highintensity.intervaltraining"));
}

TEST(MenuBarLabel, StylesWhileCounting)
{
    PreferencesStore preferences;
    struct Case {
        MenuBarDisplayStyle style;
        bool active;
        int streak;
        double remaining;
        std::optional<QString> text;
    };
    const Case cases[] = {
        {MenuBarDisplayStyle::timer, true, 3, 2000, QStringLiteral("34m")},
        {MenuBarDisplayStyle::timer, false, 3, 2000, QStringLiteral("3d")}, // not started: the streak
        {MenuBarDisplayStyle::timer, false, 0, 2000, std::nullopt},
        {MenuBarDisplayStyle::minimal, true, 3, 60, QStringLiteral("3d")},
        {MenuBarDisplayStyle::adaptive, true, 0, 1000, std::nullopt},
        {MenuBarDisplayStyle::adaptive, true, 0, 30, QStringLiteral("0:30")},
    };
    for (const Case &c : cases) {
        MenuBarVM vm(preferences, c.style);
        vm.setStreakDays(c.streak);
        EXPECT_EQ(show(vm.countingLabelText(c.active, c.remaining, 2700)), show(c.text))
            << rawValue(c.style).toStdString() << " active " << c.active << " streak " << c.streak;
    }
}

TEST(MenuBarLabel, MilestoneIcon)
{
    PreferencesStore preferences;
    MenuBarVM vm(preferences);
    const std::pair<int, const char *> cases[] = {
        {0, "figure.walk"}, {6, "figure.walk"}, {14, "figure.run"}, {29, "figure.run"}, {100, "trophy.fill"}};
    for (const auto &[days, iconName] : cases) {
        vm.setStreakDays(days);
        EXPECT_EQ(vm.menuBarIcon(), QString::fromLatin1(iconName)) << days;
    }
}

TEST(MenuBarDisplayStyleStorage, ReadsAndRepairsTheStoredChoice)
{
    struct Case {
        std::optional<QString> stored;
        std::optional<bool> oldTimer;
        MenuBarDisplayStyle expected;
        std::optional<QString> afterwards;
    };
    const Case cases[] = {
        {QStringLiteral("timer"), std::nullopt, MenuBarDisplayStyle::timer, QStringLiteral("timer")},
        {QStringLiteral("Timer"), std::nullopt, MenuBarDisplayStyle::adaptive, QStringLiteral("adaptive")},
        {std::nullopt, false, MenuBarDisplayStyle::minimal, QStringLiteral("minimal")},
        {std::nullopt, true, MenuBarDisplayStyle::timer, QStringLiteral("timer")},
        {std::nullopt, std::nullopt, MenuBarDisplayStyle::adaptive, std::nullopt},
    };
    for (const Case &c : cases) {
        PreferencesStore preferences;
        if (c.stored)
            preferences.setString(kMenuBarDisplayStyleKey, *c.stored);
        if (c.oldTimer)
            preferences.setBool(kShowMenuBarTimerKey, *c.oldTimer);
        EXPECT_EQ(persistedDisplayStyle(preferences), c.expected);
        EXPECT_EQ(show(preferences.stringValue(kMenuBarDisplayStyleKey)), show(c.afterwards));
        EXPECT_EQ(preferences.boolValue(kShowMenuBarTimerKey), c.oldTimer) << "the older key is left alone";
    }
}

} // namespace
