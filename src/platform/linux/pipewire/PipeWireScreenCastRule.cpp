#include "platform/linux/pipewire/PipeWireScreenCastRule.h"

namespace stirwell::PipeWireScreenCastRule {

namespace {

// media.name prefixes of screencast streams.
constexpr const char *kCastNamePrefixes[] = {"meta-screen-cast-src", "kwin-screencast", "xdpw-stream-",
                                             "xdph-streaming-"};

// Processes whose only video output is the screen: compositors that cast
// themselves and the portal back ends that cast for them.
constexpr const char *kCastProducers[] = {
    "gnome-shell",
    "kwin_wayland",
    "cosmic-comp",
    "xdg-desktop-portal-wlr",
    "xdg-desktop-portal-hyprland",
    "xdg-desktop-portal-cosmic",
    "xdg-desktop-portal-gnome",
    "xdg-desktop-portal-kde",
    "xdg-desktop-portal-luminous",
    "xdg-desktop-portal-gtk",
};

constexpr const char *kShellConsumers[] = {"plasmashell"};

bool startsWithAny(const QByteArray &value, const char *const *begin, const char *const *end)
{
    for (auto it = begin; it != end; ++it)
        if (value.startsWith(*it))
            return true;
    return false;
}

bool equalsAny(const QByteArray &value, const char *const *begin, const char *const *end)
{
    for (auto it = begin; it != end; ++it)
        if (value == *it)
            return true;
    return false;
}

bool isCastProducer(const QByteArray &name)
{
    return !name.isEmpty() && equalsAny(name, std::begin(kCastProducers), std::end(kCastProducers));
}

} // namespace

bool isVideoOutputClass(const QByteArray &mediaClass)
{
    return mediaClass == "Video/Source" || mediaClass.startsWith("Video/Source/")
        || mediaClass == "Stream/Output/Video";
}

bool isScreenCastNode(const Properties &node)
{
    if (!isVideoOutputClass(node.value("media.class")))
        return false;
    // Cameras: device nodes, or streams that say they are one (a virtual
    // camera re-publishing a webcam).
    if (node.contains("device.api") || node.contains("api.v4l2.path") || node.contains("api.libcamera.path"))
        return false;
    const QByteArray role = node.value("media.role");
    if (role == "Camera")
        return false;
    if (role == "Screen")
        return true;
    if (startsWithAny(node.value("media.name"), std::begin(kCastNamePrefixes), std::end(kCastNamePrefixes)))
        return true;
    return isCastProducer(node.value("application.process.binary")) || isCastProducer(node.value("application.name"))
        || isCastProducer(node.value("node.name"));
}

bool isDesktopShellConsumer(const QByteArray &name)
{
    return !name.isEmpty() && equalsAny(name, std::begin(kShellConsumers), std::end(kShellConsumers));
}

} // namespace stirwell::PipeWireScreenCastRule
