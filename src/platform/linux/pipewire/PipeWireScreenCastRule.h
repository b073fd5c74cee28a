#pragma once

#include <QByteArray>
#include <QHash>

namespace stirwell {

// Tells screencast nodes from other video in the PipeWire graph, by the
// properties the compositors and portals give their streams (never by
// content):
//   GNOME (Mutter)         Stream/Output/Video, media.name "meta-screen-cast-src",
//                          node.name "gnome-shell"
//   KDE (KWin)             media.name "kwin-screencast-<output or app>", from kwin_wayland
//   xdg-desktop-portal-wlr Video/Source, media.name "xdpw-stream-<random>"
//   xdg-desktop-portal-hyprland  Video/Source, media.name "xdph-streaming-<random>"
//   other portals          Video/Source from an xdg-desktop-portal-* process
// A camera is a Video/Source too, but it is a device node (device.api v4l2
// or libcamera) or a camera role; those never count.
namespace PipeWireScreenCastRule {

using Properties = QHash<QByteArray, QByteArray>;

// Whether `mediaClass` is video leaving its producer ("Video/Source",
// "Video/Source/Virtual", "Stream/Output/Video"), the only classes a
// screencast can have. Cheap pre-filter on registry properties.
[[nodiscard]] bool isVideoOutputClass(const QByteArray &mediaClass);

// Whether a node with these properties is a screencast of the compositor or
// of a portal.
[[nodiscard]] bool isScreenCastNode(const Properties &node);

// Consumers that take a screencast for the desktop's own use (KDE's task
// manager shows live window thumbnails through KWin screencasts): a cast
// watched only by them is not shared with anyone. Matched against the
// consumer's application or node name.
[[nodiscard]] bool isDesktopShellConsumer(const QByteArray &name);

} // namespace PipeWireScreenCastRule

} // namespace stirwell
