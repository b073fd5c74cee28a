#pragma once

#include <QStringList>

#include <optional>

namespace stirwell {

// Reads "--time-scale N" (or "--time-scale=N") from a command line: N seconds
// of application time per real second. Returns 1 when the option is absent,
// and nothing when it is present but not a positive finite number.
[[nodiscard]] std::optional<double> parseTimeScale(const QStringList &arguments);

} // namespace stirwell
