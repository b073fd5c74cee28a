#include "services/meetings/DeviceMonitor.h"

#include "runtime/Runtime.h"

namespace stirwell {

DeviceMonitor::DeviceMonitor(Runtime &runtime, DeviceUsageSensor &sensor)
    : m_runtime(runtime)
    , m_sensor(sensor)
{
}

DeviceMonitor::~DeviceMonitor()
{
    m_sensor.setChangeHint({});
}

void DeviceMonitor::startMonitoring(double pollInterval, Consumer consumer)
{
    stopMonitoring();
    m_consumer = std::move(consumer);
    m_monitoring = true;
    m_active = false;
    m_sensor.setChangeHint([this] {
        if (m_monitoring)
            poll();
    });
    m_pollJob = m_runtime.every(pollInterval, [this] { poll(); });
    poll();
}

void DeviceMonitor::stopMonitoring()
{
    m_monitoring = false;
    m_pollJob.cancel();
    m_sensor.setChangeHint({});
    m_consumer = nullptr;
}

void DeviceMonitor::poll()
{
    m_lastReading = m_sensor.probe();
    if (m_lastReading == SensorReading::unknown)
        return;
    const bool active = m_lastReading == SensorReading::yes;
    if (active == m_active)
        return;
    m_active = active;
    // The consumer may stop or restart this monitor; keep it alive for the call.
    Consumer consumer = m_consumer;
    if (consumer)
        consumer(active);
}

} // namespace stirwell
