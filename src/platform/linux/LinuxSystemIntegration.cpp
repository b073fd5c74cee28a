#include "platform/linux/LinuxSystemIntegration.h"

#include "platform/linux/canberra/CanberraSoundPlayer.h"
#include "platform/linux/dbus/FreedesktopNotificationServer.h"
#include "platform/linux/dbus/LogindScreenSaverEventSource.h"
#include "platform/linux/dbus/MutterIdleMonitorSource.h"
#include "platform/linux/pipewire/PipeWireScreenCastProbe.h"
#include "platform/linux/wayland/WaylandIdleNotifySource.h"
#include "platform/linux/x11/XScreenSaverIdleSource.h"

#include <QDBusConnection>

namespace stirwell {

LinuxSessionFacts LinuxSessionFacts::fromEnvironment()
{
    LinuxSessionFacts facts;
    facts.sessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    facts.waylandDisplay = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    facts.x11Display = !qEnvironmentVariableIsEmpty("DISPLAY");
    return facts;
}

bool LinuxSessionFacts::isWayland() const
{
    return sessionType == QLatin1String("wayland") || waylandDisplay;
}

std::vector<std::unique_ptr<IdleTimeSource>> linuxIdleTimeSourceCandidates(const LinuxSessionFacts &facts,
                                                                           const Runtime &runtime)
{
    std::vector<std::unique_ptr<IdleTimeSource>> candidates;
    candidates.push_back(std::make_unique<MutterIdleMonitorSource>(runtime, QDBusConnection::sessionBus()));
    if (facts.isWayland()) {
        candidates.push_back(std::make_unique<WaylandIdleNotifySource>(runtime));
    } else if (facts.x11Display && (facts.sessionType.isEmpty() || facts.sessionType == QLatin1String("x11"))) {
        candidates.push_back(std::make_unique<XScreenSaverIdleSource>(runtime));
    }
    return candidates;
}

std::unique_ptr<SessionEventSource> createLinuxSessionEventSource()
{
    return std::make_unique<LogindScreenSaverEventSource>(QDBusConnection::systemBus(),
                                                          QDBusConnection::sessionBus());
}

std::unique_ptr<NotificationServer> createLinuxNotificationServer(const QString &desktopEntry,
                                                                  const QString &applicationName)
{
    return std::make_unique<FreedesktopNotificationServer>(QDBusConnection::sessionBus(), desktopEntry,
                                                           applicationName);
}

std::unique_ptr<SoundPlayer> createLinuxSoundPlayer(const QString &applicationId, const QString &applicationName)
{
    return std::make_unique<CanberraSoundPlayer>(applicationId, applicationName);
}

std::unique_ptr<ScreenCastProbe> createPipeWireScreenCastProbe(const Runtime &runtime)
{
    return std::make_unique<PipeWireScreenCastProbe>(runtime);
}

} // namespace stirwell
