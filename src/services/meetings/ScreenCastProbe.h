#pragma once

#include "services/meetings/SensorReading.h"

namespace stirwell {

// Whether the compositor or the desktop portal streams the screen to some
// application right now (a PipeWire screencast node). Implemented by the
// platform where the session can tell.
class ScreenCastProbe {
public:
    virtual ~ScreenCastProbe() = default;
    [[nodiscard]] virtual SensorReading screenCastActive() = 0;
    [[nodiscard]] virtual QString backendName() const = 0;
};

} // namespace stirwell
