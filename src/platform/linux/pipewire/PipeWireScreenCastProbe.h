#pragma once

#include "services/meetings/ScreenCastProbe.h"

#include <memory>

namespace stirwell {

class Runtime;

// Is the compositor or a desktop portal streaming the screen to someone?
//
// Connects to the user's PipeWire daemon (never starting one) with one
// context on PipeWire's own thread and follows the registry: video output
// nodes are bound to learn their properties and state, links to learn who
// consumes them. The answer is kept up to date there, so a query is one
// atomic read and nothing runs while the graph does not change.
//
// yes: a screencast node (see PipeWireScreenCastRule) is running or linked
// to a consumer other than the desktop's own thumbnails; no: connected and
// there is none; unknown: before the first full view of the graph and while
// no daemon is reachable. A lost daemon is tried again at most every
// 30 seconds, from `screenCastActive`.
class PipeWireScreenCastProbe : public ScreenCastProbe {
public:
    explicit PipeWireScreenCastProbe(const Runtime &runtime);
    ~PipeWireScreenCastProbe() override;

    PipeWireScreenCastProbe(const PipeWireScreenCastProbe &) = delete;
    PipeWireScreenCastProbe &operator=(const PipeWireScreenCastProbe &) = delete;

    SensorReading screenCastActive() override;
    QString backendName() const override { return QStringLiteral("libpipewire"); }

    struct Connection;

private:
    void connectToDaemon();

    const Runtime &m_runtime;
    std::unique_ptr<Connection> m_connection;
    double m_lastAttempt = 0;
};

} // namespace stirwell
