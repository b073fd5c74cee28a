#pragma once

#include "runtime/Job.h"
#include "services/meetings/DeviceUsageSensor.h"

#include <functional>

namespace stirwell {

class Runtime;

// Watches one capture device and reports changes of "in use".
//
// While monitoring it probes every `pollInterval` seconds and at once when
// the sensor hints at a change, and calls the consumer only when the answer
// differs from the last one delivered. The first delivery is therefore the
// first `true`: an idle device delivers nothing at start. An `unknown` probe
// delivers nothing and keeps the last answer, so a sensor that drops out in
// the middle of a call does not end the meeting.
class DeviceMonitor {
public:
    using Consumer = std::function<void(bool inUse)>;

    DeviceMonitor(Runtime &runtime, DeviceUsageSensor &sensor);
    ~DeviceMonitor();
    DeviceMonitor(const DeviceMonitor &) = delete;
    DeviceMonitor &operator=(const DeviceMonitor &) = delete;

    // Starts (or restarts, with a fresh history) delivering to `consumer`.
    // The first probe runs before this returns.
    void startMonitoring(double pollInterval, Consumer consumer);
    // No further deliveries; safe to call when not monitoring.
    void stopMonitoring();

    [[nodiscard]] bool isMonitoring() const { return m_monitoring; }
    // The last definite answer (false before any).
    [[nodiscard]] bool isActive() const { return m_active; }
    [[nodiscard]] SensorReading lastReading() const { return m_lastReading; }
    [[nodiscard]] DeviceUsageSensor &sensor() { return m_sensor; }

private:
    void poll();

    Runtime &m_runtime;
    DeviceUsageSensor &m_sensor;
    Consumer m_consumer;
    Job m_pollJob;
    bool m_monitoring = false;
    bool m_active = false;
    SensorReading m_lastReading = SensorReading::unknown;
};

} // namespace stirwell
