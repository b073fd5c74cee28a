#include "platform/linux/pipewire/PipeWireScreenCastRule.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

using namespace stirwell;

namespace {

using Properties = PipeWireScreenCastRule::Properties;

Properties props(std::initializer_list<std::pair<const char *, const char *>> items)
{
    Properties result;
    for (const auto &[key, value] : items)
        result.insert(key, value);
    return result;
}

struct NodeCase {
    const char *what;
    Properties node;
    bool isCast;
};

TEST(PipeWireScreenCastRuleTest, TellsScreencastsFromCamerasAndOtherVideo)
{
    const NodeCase cases[] = {
        {"GNOME (Mutter) screencast",
         props({{"media.class", "Stream/Output/Video"}, {"media.name", "meta-screen-cast-src"}, {"node.name", "gnome-shell"}}),
         true},
        {"KWin screencast of an output",
         props({{"media.class", "Stream/Output/Video"}, {"media.name", "kwin-screencast-DP-1"}}), true},
        {"KWin screencast by producer only",
         props({{"media.class", "Stream/Output/Video"}, {"application.process.binary", "kwin_wayland"}}), true},
        {"xdg-desktop-portal-wlr",
         props({{"media.class", "Video/Source"}, {"media.name", "xdpw-stream-a1B2c3"}, {"node.name", "xdg-desktop-portal-wlr"}}),
         true},
        {"xdg-desktop-portal-hyprland",
         props({{"media.class", "Video/Source"}, {"media.name", "xdph-streaming-Zx81q0"}}), true},
        {"another portal, known by its process",
         props({{"media.class", "Video/Source"}, {"application.process.binary", "xdg-desktop-portal-cosmic"}}), true},
        {"a virtual source that says it carries the screen",
         props({{"media.class", "Video/Source/Virtual"}, {"media.role", "Screen"}, {"node.name", "screen-mirror"}}), true},
        {"V4L2 webcam", props({{"media.class", "Video/Source"}, {"device.api", "v4l2"}, {"node.name", "v4l2_input.pci-0000_00_14.0-usb-0_1_1.0"}}),
         false},
        {"libcamera camera", props({{"media.class", "Video/Source"}, {"device.api", "libcamera"}}), false},
        {"a device node never counts, whatever its name",
         props({{"media.class", "Video/Source"}, {"media.name", "xdpw-stream-000000"}, {"api.v4l2.path", "/dev/video0"}}),
         false},
        {"a camera stream of the compositor",
         props({{"media.class", "Video/Source"}, {"media.role", "Camera"}, {"node.name", "gnome-shell"}}), false},
        {"OBS virtual camera", props({{"media.class", "Video/Source"}, {"node.name", "obs-virtual-camera"}, {"application.name", "OBS Studio"}}),
         false},
        {"an application's own video output",
         props({{"media.class", "Stream/Output/Video"}, {"media.name", "video-player"}, {"application.name", "mpv"}}), false},
        {"the consumer of a screencast is not one",
         props({{"media.class", "Stream/Input/Video"}, {"node.name", "xdg-desktop-portal-wlr"}}), false},
        {"audio with a screencast's name",
         props({{"media.class", "Audio/Source"}, {"media.name", "meta-screen-cast-src"}}), false},
        {"no media class", props({{"media.name", "meta-screen-cast-src"}, {"node.name", "gnome-shell"}}), false},
        {"names compare exactly",
         props({{"media.class", "Video/Source"}, {"node.name", "Gnome-Shell"}, {"media.name", "XDPW-STREAM-1"}}), false},
    };
    for (const NodeCase &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PipeWireScreenCastRule::isScreenCastNode(c.node), c.isCast);
    }
}

TEST(PipeWireScreenCastRuleTest, OnlyTheDesktopsOwnThumbnailsAreShellConsumers)
{
    EXPECT_TRUE(PipeWireScreenCastRule::isDesktopShellConsumer("plasmashell"));
    for (const char *name : {"", "chromium", "firefox", "zoom", "obs", "xdg-desktop-portal-kde"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(PipeWireScreenCastRule::isDesktopShellConsumer(name));
    }
}

} // namespace
