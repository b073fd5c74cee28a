#include "models/MeetingState.h"

namespace stirwell {

namespace {
QString flag(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}
} // namespace

double MeetingState::confidence() const
{
    double score = 0.0;
    if (cameraActive)
        score += 0.4;
    if (micActive)
        score += 0.3;
    if (calendarEvent)
        score += 0.2;
    if (meetingAppRunning)
        score += 0.1;
    if (meetingURLActive)
        score += 0.3;
    return score;
}

bool MeetingState::inMeeting() const
{
    // 0.2 + 0.1 is a hair above 0.3 in binary floating point, so calendar
    // plus meeting application passes as intended.
    return confidence() >= 0.3;
}

bool MeetingState::suppressOverlays() const
{
    return screenSharing || (fullscreenActive && inMeeting());
}

QStringList MeetingState::activeMeetingSignals() const
{
    QStringList signalNames;
    if (cameraActive)
        signalNames << QStringLiteral("camera");
    if (micActive)
        signalNames << QStringLiteral("microphone");
    if (calendarEvent)
        signalNames << QStringLiteral("calendar");
    if (meetingAppRunning)
        signalNames << QStringLiteral("meeting app");
    if (meetingURLActive)
        signalNames << QStringLiteral("browser tab");
    return signalNames;
}

std::optional<QString> MeetingState::detectionSummary() const
{
    const QStringList names = activeMeetingSignals();
    if (names.isEmpty())
        return std::nullopt;
    return QStringLiteral("Detected via ") + names.join(QStringLiteral(" + "));
}

QMap<QString, QString> MeetingState::diagnosticProperties() const
{
    return {
        {QStringLiteral("camera_active"), flag(cameraActive)},
        {QStringLiteral("mic_active"), flag(micActive)},
        {QStringLiteral("meeting_app_running"), flag(meetingAppRunning)},
        {QStringLiteral("fullscreen_active"), flag(fullscreenActive)},
        {QStringLiteral("calendar_event"), flag(calendarEvent)},
        {QStringLiteral("screen_sharing"), flag(screenSharing)},
        {QStringLiteral("meeting_url_active"), flag(meetingURLActive)},
        {QStringLiteral("confidence"), QString::asprintf("%.2f", confidence())},
        {QStringLiteral("in_meeting"), flag(inMeeting())},
        {QStringLiteral("detection_summary"), detectionSummary().value_or(QString())},
    };
}

} // namespace stirwell
