#pragma once

#include "services/meetings/SensorReading.h"

#include <functional>

namespace stirwell {

// Whether some process uses a capture device (the camera, the default
// microphone). Implemented by the platform; `probe()` must be cheap, since
// it runs every few seconds: an implementation that learns of changes by
// events answers from what it already knows.
class DeviceUsageSensor {
public:
    virtual ~DeviceUsageSensor() = default;

    [[nodiscard]] virtual SensorReading probe() = 0;
    // The technology answering, for diagnostics ("inotify+/proc", "libpulse").
    [[nodiscard]] virtual QString backendName() const = 0;
    // `hint` runs on the owner's (main) thread whenever the sensor has reason
    // to think the answer changed; the caller then probes. Replaces any
    // earlier hint; an empty function removes it.
    virtual void setChangeHint(std::function<void()> hint) = 0;
};

} // namespace stirwell
