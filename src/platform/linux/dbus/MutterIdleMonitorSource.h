#pragma once

#include "services/system/IdleTimeSource.h"

#include <QDBusConnection>
#include <QDBusPendingCall>

#include <mutex>
#include <optional>

namespace stirwell {

class Runtime;

// Input idle time from GNOME's compositor (org.gnome.Mutter.IdleMonitor on
// the session bus), in X11 and Wayland sessions alike. Queries are pipelined
// (PipelinedIdleQuery): at the countdown's one-second cadence an answer is
// the reply to the call sent at the previous query, which arrived meanwhile
// on the D-Bus thread without waking ours; a fresh query is one blocking
// round trip, bounded by a short timeout.
class MutterIdleMonitorSource final : public IdleTimeSource {
public:
    static constexpr int kCallTimeoutMs = 1000;

    MutterIdleMonitorSource(const Runtime &runtime, QDBusConnection sessionBus);

    [[nodiscard]] QString name() const override { return QStringLiteral("mutter"); }
    [[nodiscard]] bool probe() override;
    [[nodiscard]] std::optional<double> idleSeconds() override;

private:
    [[nodiscard]] QDBusPendingCall send();
    [[nodiscard]] static std::optional<double> answerOf(QDBusPendingCall &call);

    const Runtime &m_runtime;
    QDBusConnection m_bus;
    std::mutex m_mutex;
    std::optional<QDBusPendingCall> m_pending;
    double m_pendingSentAt = 0;
    std::optional<double> m_lastAnswer;
};

} // namespace stirwell
