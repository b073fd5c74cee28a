#pragma once

#include "services/meetings/DeviceUsageSensor.h"

#include <QObject>

#include <atomic>
#include <memory>

namespace stirwell {

class Runtime;

// Is the default microphone recorded by some application?
//
// Talks to the sound server through libpulse (PulseAudio, or PipeWire's
// pulse server) with one context on libpulse's own thread, subscribed to
// changes of recording streams, sources, clients and the server (the
// default source). On each change it queries again and keeps the answer, so
// a probe costs nothing. In use means: a recording stream on the default
// source that is running (not corked), is not a level meter (volume
// controls show a peak meter of every source) and is not our own.
//
// `unknown` until the first answer, and while no server is reachable; a
// lost server is tried again at most every 30 seconds, from `probe`.
class PulseMicSensor : public QObject, public DeviceUsageSensor {
    Q_OBJECT
public:
    explicit PulseMicSensor(const Runtime &runtime, QObject *parent = nullptr);
    ~PulseMicSensor() override;

    SensorReading probe() override;
    QString backendName() const override { return QStringLiteral("libpulse"); }
    void setChangeHint(std::function<void()> hint) override;

    struct Connection;

private:
    void connectToServer();
    void answerChanged();

    const Runtime &m_runtime;
    std::unique_ptr<Connection> m_connection;
    std::function<void()> m_hint;
    double m_lastAttempt = 0;
};

} // namespace stirwell
