#pragma once

#include "app/sim/Scenario.h"

#include <QString>
#include <QTextStream>

#include <optional>

namespace stirwell::sim {

struct SimulatorOptions {
    QString dataDirectory;
    // Fixes every random choice; without it the choices are random.
    std::optional<quint32> seed;
};

// Runs a scenario through the real break engine and habit services on
// virtual time, writing one line per state change, notification, sound cue,
// dashboard upload and refused skip, and a summary of today's record.
// The data directory receives "daily-records.json" and
// "timer-diagnostics.jsonl" exactly as the application writes them.
void runScenario(const Scenario &scenario, const SimulatorOptions &options, QTextStream &out);

} // namespace stirwell::sim
