#pragma once

#include "services/meetings/MeetingDetector.h"

#include <memory>

namespace stirwell {

class PreferencesStore;
class Runtime;

// The meeting detector's signal sources on this Linux desktop: camera nodes
// held open (/proc), the default microphone (PulseAudio), meeting and
// screen-sharing processes (/proc), the frontmost full-screen window (X11),
// browser meeting tabs (session files) and calendars (EDS and iCalendar
// files). Owns them all; the sources it hands out live as long as it does.
class LinuxMeetingSignals {
public:
    LinuxMeetingSignals(Runtime &runtime, PreferencesStore &preferences);
    ~LinuxMeetingSignals();
    LinuxMeetingSignals(const LinuxMeetingSignals &) = delete;
    LinuxMeetingSignals &operator=(const LinuxMeetingSignals &) = delete;

    [[nodiscard]] MeetingSignalSources sources();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

} // namespace stirwell
