#pragma once

#include "services/system/IdleDetector.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace stirwell {

class TimerDiagnosticsLogger;

// One way of learning how long the user has not touched keyboard or pointer
// (a compositor's idle monitor, the X server, ...).
class IdleTimeSource {
public:
    virtual ~IdleTimeSource() = default;

    // Short technology name, written to the diagnostics log ("mutter", ...).
    [[nodiscard]] virtual QString name() const = 0;
    // Whether the source works in this session. Called once, at start-up, on
    // the main thread; may wait briefly for an answer.
    [[nodiscard]] virtual bool probe() = 0;
    // Seconds since the last input, or nothing when the source cannot tell
    // right now. Callable from any thread.
    [[nodiscard]] virtual std::optional<double> idleSeconds() = 0;
};

// The source used when no other works: it never knows, so idle reads as 0.
class NoIdleTimeSource final : public IdleTimeSource {
public:
    [[nodiscard]] QString name() const override { return QStringLiteral("none"); }
    [[nodiscard]] bool probe() override { return true; }
    [[nodiscard]] std::optional<double> idleSeconds() override { return std::nullopt; }
};

// Probes the candidates in order of preference and keeps the first that
// works (NoIdleTimeSource when none does). Logs "idle.source_selected" with
// the chosen "source" and every probe's outcome under "probed"
// ("mutter:no,x11-screensaver:yes"). The logger may be null.
[[nodiscard]] std::shared_ptr<IdleTimeSource>
selectIdleTimeSource(std::vector<std::unique_ptr<IdleTimeSource>> candidates, TimerDiagnosticsLogger *logger);

// The IdleDetector provider over a source: its seconds, or 0 when it cannot tell.
[[nodiscard]] IdleDetector::IdleTimeProvider idleTimeProvider(std::shared_ptr<IdleTimeSource> source);

} // namespace stirwell
