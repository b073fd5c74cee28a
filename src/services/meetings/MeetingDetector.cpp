#include "services/meetings/MeetingDetector.h"

#include "runtime/Runtime.h"
#include "services/meetings/BrowserMeetingTabProbe.h"
#include "services/meetings/CalendarSource.h"
#include "services/meetings/DeviceMonitor.h"
#include "services/meetings/ProcessMonitor.h"
#include "services/meetings/ScreenShareMonitor.h"
#include "services/observability/ObservabilityFormat.h"
#include "services/observability/TimerDiagnosticsLogger.h"
#include "services/storage/PreferencesStore.h"

#include <cmath>

namespace stirwell {

namespace {
// An unknown answer keeps the signal as it was.
bool resolve(SensorReading reading, bool previous)
{
    switch (reading) {
    case SensorReading::yes:
        return true;
    case SensorReading::no:
        return false;
    case SensorReading::unknown:
        break;
    }
    return previous;
}

int wholeMinutes(double seconds)
{
    return seconds > 0 ? static_cast<int>(std::trunc(seconds / 60.0)) : 0;
}
} // namespace

MeetingDetector::MeetingDetector(Runtime &runtime, PreferencesStore &preferences, MeetingSignalSources sources,
                                 ClaimHook claimWalkingMeeting, TimerDiagnosticsLogger *diagnostics, QObject *parent)
    : QObject(parent)
    , m_runtime(runtime)
    , m_sources(sources)
    , m_claimWalkingMeeting(std::move(claimWalkingMeeting))
    , m_diagnostics(diagnostics)
    , m_detectBrowserMeetings(preferences.boolValue(kDetectBrowserMeetingsKey).value_or(true))
{
}

MeetingDetector::~MeetingDetector()
{
    stop();
}

void MeetingDetector::start()
{
    stop();
    m_sources.camera.startMonitoring(kDevicePollInterval, [this](bool inUse) {
        m_cameraActive = inUse;
        updateState();
    });
    m_sources.microphone.startMonitoring(kDevicePollInterval, [this](bool inUse) {
        m_micActive = inUse;
        updateState();
    });
    m_updateJob = m_runtime.every(kUpdateInterval, [this] { updateState(); });
    m_calendarJob = m_runtime.every(kCalendarInterval, [this] { calendarPass(); });
    updateState();
    calendarPass();
}

void MeetingDetector::stop()
{
    m_updateJob.cancel();
    m_calendarJob.cancel();
    m_pendingPostMeetingBreak.cancel();
    m_sources.camera.stopMonitoring();
    m_sources.microphone.stopMonitoring();
}

void MeetingDetector::setDetectBrowserMeetings(bool enabled)
{
    if (enabled)
        m_sources.browserTabs.resetPermissionCache();
    if (enabled == m_detectBrowserMeetings)
        return;
    m_detectBrowserMeetings = enabled;
    Q_EMIT detectBrowserMeetingsEnabledChanged(enabled);
}

MeetingDetector::SensorReport MeetingDetector::sensorReport() const
{
    return {m_sources.camera.lastReading(), m_sources.microphone.lastReading(), m_meetingAppReading,
            m_fullscreenReading, m_screenShareReading};
}

void MeetingDetector::updateState()
{
    const MeetingState previous = m_currentState;
    MeetingState next;
    next.cameraActive = m_cameraActive;
    next.micActive = m_micActive;

    m_meetingAppReading = m_sources.processes.isMeetingAppRunning();
    next.meetingAppRunning = resolve(m_meetingAppReading, previous.meetingAppRunning);
    m_fullscreenReading = m_sources.processes.isFrontmostFullscreen();
    next.fullscreenActive = resolve(m_fullscreenReading, previous.fullscreenActive);
    next.calendarEvent = m_sources.calendar.hasCurrentCalendarEvent();
    m_screenShareReading = m_sources.screenShare.isScreenSharing();
    next.screenSharing = resolve(m_screenShareReading, previous.screenSharing);

    if (!m_detectBrowserMeetings) {
        next.meetingURLActive = false;
        m_lastBrowserMeetingHost.reset();
    } else {
        const auto tab = m_sources.browserTabs.detectActiveMeetingURL(
            m_confirmedInMeeting, m_confirmedInMeeting ? m_lastBrowserMeetingHost : std::nullopt);
        next.meetingURLActive = tab.active;
        if (tab.active && tab.hostingBrowserId)
            m_lastBrowserMeetingHost = tab.hostingBrowserId;
        else if (!m_confirmedInMeeting)
            m_lastBrowserMeetingHost.reset();
    }

    m_currentState = next;
    const bool raw = next.inMeeting();
    if (next != previous) {
        Q_EMIT currentStateChanged();
        log(QStringLiteral("meeting.signal_changed"), raw);
    }

    if (raw != m_rawInMeeting) {
        m_rawInMeeting = raw;
        m_transitionWall = m_runtime.now();
        m_transitionMonotonic = m_runtime.monotonic();
    }

    if (!m_transitionWall || m_rawInMeeting == m_confirmedInMeeting)
        return;
    const double elapsed = m_runtime.monotonic() - m_transitionMonotonic;
    const double required = m_rawInMeeting ? kStartDebounce : kEndDebounce;
    if (elapsed < required)
        return;

    const double transitionWall = *m_transitionWall;
    m_confirmedInMeeting = m_rawInMeeting;
    m_transitionWall.reset();

    if (m_confirmedInMeeting) {
        m_pendingPostMeetingBreak.cancel();
        setMeetingStartTime(transitionWall);
        Q_EMIT confirmedInMeetingChanged(true);
        log(QStringLiteral("meeting.confirmed_started"), m_rawInMeeting);
        if (onMeetingStarted)
            onMeetingStarted();
        return;
    }

    const int duration = m_meetingStartTime ? wholeMinutes(m_runtime.now() - *m_meetingStartTime) : 0;
    if (duration != m_lastMeetingDurationMinutes) {
        m_lastMeetingDurationMinutes = duration;
        Q_EMIT lastMeetingDurationMinutesChanged(duration);
    }
    setMeetingStartTime(std::nullopt);
    m_lastBrowserMeetingHost.reset();
    Q_EMIT confirmedInMeetingChanged(false);
    log(QStringLiteral("meeting.confirmed_ended"), m_rawInMeeting,
        {{QStringLiteral("meeting_duration_minutes"), QString::number(duration)}});
    if (onMeetingEnded)
        onMeetingEnded(duration);
    schedulePostMeetingBreak(duration);
}

void MeetingDetector::schedulePostMeetingBreak(int minutes)
{
    m_pendingPostMeetingBreak = m_runtime.after(kPostMeetingBreakDelay, [this, minutes] { firePostMeetingBreak(minutes); });
}

void MeetingDetector::firePostMeetingBreak(int minutes)
{
    if (m_confirmedInMeeting)
        return;
    const QString duration = QString::number(minutes);
    if (m_sources.calendar.hasCurrentCalendarEvent()) {
        log(QStringLiteral("meeting.post_break_suppressed"), m_rawInMeeting,
            {{QStringLiteral("meeting_duration_minutes"), duration},
             {QStringLiteral("reason"), QStringLiteral("calendar_event_active")}});
        return;
    }
    log(QStringLiteral("meeting.post_break_fired"), m_rawInMeeting,
        {{QStringLiteral("meeting_duration_minutes"), duration},
         {QStringLiteral("delay_seconds"), diagnosticSecondsString(kPostMeetingBreakDelay)}});
    if (onPostMeetingBreakReady)
        onPostMeetingBreakReady(minutes);
}

void MeetingDetector::calendarPass()
{
    walkingMeetingCheck();
    if (m_confirmedInMeeting)
        setUpcomingMeeting(std::nullopt);
    else
        setUpcomingMeeting(m_sources.calendar.nextMeeting(kUpcomingWindow));
}

void MeetingDetector::walkingMeetingCheck()
{
    const std::optional<WalkingMeetingCheck> check = m_sources.calendar.upcomingWalkingMeeting();
    if (!check)
        return;
    const bool suggest = check->qualifies && m_claimWalkingMeeting && m_claimWalkingMeeting(check->id);
    log(QStringLiteral("meeting.walking_check"), m_rawInMeeting,
        {{QStringLiteral("attendee_count"), QString::number(check->attendeeCount)},
         {QStringLiteral("duration_minutes"), QString::number(check->durationMinutes)},
         {QStringLiteral("qualifies"), boolString(check->qualifies)},
         {QStringLiteral("suggested"), boolString(suggest)}});
    if (suggest && onWalkingMeetingSuggestion)
        onWalkingMeetingSuggestion(check->title);
}

void MeetingDetector::setMeetingStartTime(std::optional<double> start)
{
    if (start == m_meetingStartTime)
        return;
    m_meetingStartTime = start;
    Q_EMIT meetingStartTimeChanged();
}

void MeetingDetector::setUpcomingMeeting(std::optional<UpcomingMeeting> meeting)
{
    if (meeting == m_upcomingMeeting)
        return;
    m_upcomingMeeting = std::move(meeting);
    Q_EMIT upcomingMeetingChanged();
}

void MeetingDetector::log(const QString &event, bool raw, const QMap<QString, QString> &own) const
{
    if (!m_diagnostics)
        return;
    DiagnosticProperties properties = m_currentState.diagnosticProperties();
    properties.insert(QStringLiteral("raw_in_meeting"), boolString(raw));
    properties.insert(QStringLiteral("confirmed_in_meeting"), boolString(m_confirmedInMeeting));
    properties.insert(own);
    m_diagnostics->log(event, properties);
}

} // namespace stirwell
