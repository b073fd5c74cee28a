#pragma once

#include "runtime/LocalCalendar.h"
#include "services/storage/PreferencesStore.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace stirwell::sim {

// One timed line of a scenario: an action (or a preference) at a wall-clock
// moment.
struct ScenarioStep {
    int line = 0;
    double at = 0;       // wall clock, seconds since the Unix epoch
    QString action;      // "launch", "idle", "pref", ...
    QStringList args;    // whitespace-separated arguments
    QString rest;        // everything after the action, as written (skip phrases)
    std::optional<PreferenceValue> value; // for "pref"
};

struct Scenario {
    double start = 0;
    QString zone;
    LocalCalendar calendar;
    QList<ScenarioStep> steps; // in time order
    double end = 0;            // the `until` moment, or the last step's
};

struct ScenarioError {
    int line = 0;
    QString message;
};

// Parses the scenario language of the day simulator:
//   clock YYYY-MM-DDTHH:MM:SS ZONE      (the first line)
//   pref KEY VALUE                      (true/false, integer, decimal with '.', "string")
//   at HH:MM:SS|+SECONDS ACTION [ARGS]
//   until HH:MM:SS|+SECONDS
// '#' starts a comment; blank lines are ignored. HH:MM:SS is the first such
// local moment not before the previous line's time. Every action's
// arguments are checked here, so a scenario that parses runs to its end.
[[nodiscard]] std::variant<Scenario, ScenarioError> parseScenario(const QString &text);

} // namespace stirwell::sim
