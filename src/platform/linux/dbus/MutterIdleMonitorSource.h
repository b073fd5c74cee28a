#pragma once

#include "services/system/IdleTimeSource.h"

#include <QDBusConnection>

namespace stirwell {

// Input idle time from GNOME's compositor (org.gnome.Mutter.IdleMonitor on
// the session bus), in X11 and Wayland sessions alike. Each query is one
// blocking D-Bus round trip, bounded by a short timeout.
class MutterIdleMonitorSource final : public IdleTimeSource {
public:
    static constexpr int kCallTimeoutMs = 1000;

    explicit MutterIdleMonitorSource(QDBusConnection sessionBus);

    [[nodiscard]] QString name() const override { return QStringLiteral("mutter"); }
    [[nodiscard]] bool probe() override;
    [[nodiscard]] std::optional<double> idleSeconds() override;

private:
    QDBusConnection m_bus;
};

} // namespace stirwell
