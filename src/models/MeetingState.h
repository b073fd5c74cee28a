#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace stirwell {

// One snapshot of the seven meeting signals and what follows from them.
struct MeetingState {
    bool cameraActive = false;
    bool micActive = false;
    bool meetingAppRunning = false;
    bool fullscreenActive = false;
    bool calendarEvent = false;
    bool screenSharing = false;
    bool meetingURLActive = false;

    friend bool operator==(const MeetingState &, const MeetingState &) = default;

    // All signals off.
    [[nodiscard]] static MeetingState idle() { return {}; }

    // Camera 0.4, microphone 0.3, calendar 0.2, meeting application 0.1 and a
    // browser meeting tab 0.3, summed in that order without a ceiling.
    // Full screen and screen sharing add nothing: they say how to stay out
    // of the way, not whether there is a meeting.
    [[nodiscard]] double confidence() const;
    // At least 0.3: camera, microphone or a meeting tab alone is enough;
    // calendar or a meeting application alone is not, the two together are.
    [[nodiscard]] bool inMeeting() const;
    // The user is presenting: sharing the screen, or full screen in a meeting.
    // Break overlays stay off the screen then.
    [[nodiscard]] bool suppressOverlays() const;
    // "Detected via camera + microphone"; none when no weighted signal is on.
    [[nodiscard]] std::optional<QString> detectionSummary() const;
    // Every signal, "confidence" ("%.2f"), "in_meeting" and
    // "detection_summary" (empty when none), for the diagnostics log.
    [[nodiscard]] QMap<QString, QString> diagnosticProperties() const;

private:
    [[nodiscard]] QStringList activeMeetingSignals() const;
};

} // namespace stirwell
