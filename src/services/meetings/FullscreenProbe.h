#pragma once

#include "services/meetings/SensorReading.h"

namespace stirwell {

// Whether the active window covers the whole primary screen. `unknown` where
// the session does not tell (most Wayland compositors). Implemented by the
// platform.
class FullscreenProbe {
public:
    virtual ~FullscreenProbe() = default;
    [[nodiscard]] virtual SensorReading frontmostFullscreen() = 0;
    [[nodiscard]] virtual QString backendName() const = 0;
};

} // namespace stirwell
