#include "app/sim/Scenario.h"

#include "support/QtPrinters.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace stirwell;
using namespace stirwell::sim;

namespace {
double utc(const char *iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toMSecsSinceEpoch() / 1000.0;
}

Scenario parsed(const char *text)
{
    auto result = parseScenario(QString::fromUtf8(text));
    if (auto *error = std::get_if<ScenarioError>(&result)) {
        ADD_FAILURE() << "line " << error->line << ": " << error->message.toStdString();
        return {};
    }
    return std::get<Scenario>(result);
}
} // namespace

TEST(Scenario, ResolvesTimesAgainstThePreviousLine)
{
    const Scenario s = parsed(R"(clock 2026-03-28T08:00:00 Europe/Berlin
# Berlin is at UTC+1 until the night of the 29th.
pref breakIntervalMinutes 50
pref microBreakEnabled false
pref displayName "Ada # Lovelace"
at 09:00:00 launch
at +90 idle 600
at 08:00:00 commit warrior   # earlier than 09:01:30, so tomorrow (now UTC+2)
at 23:30:00 skip I choose to sit instead of move
until +3600
)");
    EXPECT_DOUBLE_EQ(s.start, utc("2026-03-28T07:00:00Z"));
    ASSERT_EQ(s.steps.size(), 7);
    EXPECT_EQ(s.steps[0].value, PreferenceValue(qint64(50)));
    EXPECT_EQ(s.steps[1].value, PreferenceValue(false));
    EXPECT_EQ(s.steps[2].value, PreferenceValue(QStringLiteral("Ada # Lovelace")));
    EXPECT_DOUBLE_EQ(s.steps[3].at, utc("2026-03-28T08:00:00Z"));
    EXPECT_DOUBLE_EQ(s.steps[4].at, utc("2026-03-28T08:01:30Z"));
    EXPECT_EQ(s.steps[4].args, QStringList{QStringLiteral("600")});
    EXPECT_DOUBLE_EQ(s.steps[5].at, utc("2026-03-29T06:00:00Z"));
    EXPECT_EQ(s.steps[6].rest, QStringLiteral("I choose to sit instead of move"));
    EXPECT_DOUBLE_EQ(s.end, utc("2026-03-29T22:30:00Z"));
}

TEST(Scenario, MalformedLinesAreNamed)
{
    struct Case {
        const char *text;
        int line;
    } cases[] = {
        {"", 1},
        {"at 09:00:00 launch", 1},
        {"clock 2026-01-01T09:00:00 Nowhere/City", 1},
        {"clock 2026-01-01T09:00:00 UTC\n\nat 9am launch", 3},
        {"clock 2026-01-01T09:00:00 UTC\nat 10:00:00 dance", 2},
        {"clock 2026-01-01T09:00:00 UTC\nat 10:00:00 commit lazy", 2},
        {"clock 2026-01-01T09:00:00 UTC\nat +5 idle", 2},
        {"clock 2026-01-01T09:00:00 UTC\nat +5 idle -3", 2},
        {"clock 2026-01-01T09:00:00 UTC\nat +5 quiet-hours maybe 22 7", 2},
        {"clock 2026-01-01T09:00:00 UTC\nat +5 quiet-hours on 24 7", 2},
        {"clock 2026-01-01T09:00:00 UTC\npref key 'single'", 2},
        {"clock 2026-01-01T09:00:00 UTC\nuntil +60\nat +5 launch", 3},
        {"clock 2026-01-01T09:00:00 UTC\nclock 2026-01-01T09:00:00 UTC", 2},
        {"clock 2026-01-01T09:00:00 UTC\nat +5 launch now", 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        const auto result = parseScenario(QString::fromUtf8(c.text));
        ASSERT_TRUE(std::holds_alternative<ScenarioError>(result));
        EXPECT_EQ(std::get<ScenarioError>(result).line, c.line);
        EXPECT_FALSE(std::get<ScenarioError>(result).message.isEmpty());
    }
}
