#pragma once

#include <QString>

namespace stirwell {

// A sensor's answer. `unknown` means the session cannot tell (no sound
// server, a Wayland compositor that hides windows, unreadable /proc); it
// never flips a meeting signal, so it can neither start a meeting nor end
// one and bring a break on the user.
enum class SensorReading { no, yes, unknown };

[[nodiscard]] inline QString sensorReadingName(SensorReading reading)
{
    switch (reading) {
    case SensorReading::no:
        return QStringLiteral("no");
    case SensorReading::yes:
        return QStringLiteral("yes");
    case SensorReading::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

} // namespace stirwell
