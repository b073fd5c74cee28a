#pragma once

#include "services/meetings/RunningProcesses.h"

#include <QSet>
#include <QString>

namespace stirwell {

// The meeting applications of Linux, by how a running copy shows itself: the
// process or executable name of a native install, the Flatpak application id
// and the Snap name. Matching is exact and case-sensitive.
struct MeetingApps {
    static const QSet<QString> &processNames();
    static const QSet<QString> &flatpakIds();
    static const QSet<QString> &snapNames();

    [[nodiscard]] static bool isMeetingApp(const ProcessInfo &process);
};

} // namespace stirwell
