#pragma once

#include "models/MeetingState.h"
#include "models/UpcomingMeeting.h"
#include "runtime/Job.h"
#include "services/meetings/SensorReading.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace stirwell {

class BrowserMeetingTabProbe;
class CalendarSource;
class DeviceMonitor;
class PreferencesStore;
class ProcessMonitor;
class Runtime;
class ScreenShareMonitor;
class TimerDiagnosticsLogger;

// Where the detector's signals come from; all outlive the detector.
struct MeetingSignalSources {
    DeviceMonitor &camera;
    DeviceMonitor &microphone;
    ProcessMonitor &processes;
    ScreenShareMonitor &screenShare;
    CalendarSource &calendar;
    BrowserMeetingTabProbe &browserTabs;
};

// Decides whether the user is in a meeting, so breaks wait while they are
// and one is offered shortly after.
//
// Seven signals (camera, microphone, meeting application, full-screen
// window, current calendar event, screen sharing, browser meeting tab) make
// a MeetingState; its `inMeeting` is the raw flag. The raw flag confirms a
// meeting once it has read true for 5 seconds and ends it once it has read
// false for 120 seconds, sampled every 5 seconds and on every camera or
// microphone change. 90 seconds after an end a post-meeting break is offered
// unless a calendar event is under way or a new meeting began. Once a minute
// the next calendar meeting is looked up, and a meeting about to start that
// suits a walk is suggested once.
//
// Everything runs on the main thread; callbacks are called there.
class MeetingDetector : public QObject {
    Q_OBJECT
public:
    static inline const QString kDetectBrowserMeetingsKey = QStringLiteral("detectBrowserMeetings");
    static constexpr double kDevicePollInterval = 3;
    static constexpr double kUpdateInterval = 5;
    static constexpr double kStartDebounce = 5;
    static constexpr double kEndDebounce = 120;
    static constexpr double kPostMeetingBreakDelay = 90;
    static constexpr double kCalendarInterval = 60;
    static constexpr double kUpcomingWindow = 1800;

    // True for the first claim of a meeting id, false after (a persistent
    // latch over "lastWalkingMeetingSuggestionID").
    using ClaimHook = std::function<bool(const QString &token)>;

    // `diagnostics` may be null (nothing is logged).
    MeetingDetector(Runtime &runtime, PreferencesStore &preferences, MeetingSignalSources sources,
                    ClaimHook claimWalkingMeeting, TimerDiagnosticsLogger *diagnostics, QObject *parent = nullptr);
    ~MeetingDetector() override;

    // Stops first, then starts the two device monitors, the 5-second update
    // (its first pass at once) and the minute calendar loop (also at once).
    void start();
    // Ends every loop and a pending post-meeting break, and stops the device
    // monitors. The confirmed state is left as it is.
    void stop();
    [[nodiscard]] bool isRunning() const { return m_updateJob.isActive(); }

    // Whether browser tabs are inspected; switching on asks again the
    // browsers that refused before.
    void setDetectBrowserMeetings(bool enabled);
    [[nodiscard]] bool detectBrowserMeetingsEnabled() const { return m_detectBrowserMeetings; }

    [[nodiscard]] const MeetingState &currentState() const { return m_currentState; }
    [[nodiscard]] bool confirmedInMeeting() const { return m_confirmedInMeeting; }
    // Wall-clock start of the confirmed meeting: when the raw flag first
    // turned true, not when it was confirmed.
    [[nodiscard]] std::optional<double> meetingStartTime() const { return m_meetingStartTime; }
    [[nodiscard]] int lastMeetingDurationMinutes() const { return m_lastMeetingDurationMinutes; }
    // The next calendar meeting within 30 minutes, none during a meeting.
    // Answers at once from the last calendar pass (the scheduler asks when a
    // break falls due).
    [[nodiscard]] const std::optional<UpcomingMeeting> &upcomingMeeting() const { return m_upcomingMeeting; }

    // The sensors' own answers at the last update, for a diagnostics page.
    struct SensorReport {
        SensorReading camera = SensorReading::unknown;
        SensorReading microphone = SensorReading::unknown;
        SensorReading meetingApp = SensorReading::unknown;
        SensorReading fullscreen = SensorReading::unknown;
        SensorReading screenSharing = SensorReading::unknown;
    };
    [[nodiscard]] SensorReport sensorReport() const;

    std::function<void()> onMeetingStarted;
    std::function<void(int minutes)> onMeetingEnded;
    std::function<void(int minutes)> onPostMeetingBreakReady;
    std::function<void(const QString &title)> onWalkingMeetingSuggestion;

    // One update: gather the signals, then debounce. Runs by itself; public
    // for callers that know something changed.
    void updateState();

Q_SIGNALS:
    void currentStateChanged();
    void confirmedInMeetingChanged(bool inMeeting);
    void meetingStartTimeChanged();
    void lastMeetingDurationMinutesChanged(int minutes);
    void upcomingMeetingChanged();
    void detectBrowserMeetingsEnabledChanged(bool enabled);

private:
    void calendarPass();
    void walkingMeetingCheck();
    void schedulePostMeetingBreak(int minutes);
    void firePostMeetingBreak(int minutes);
    void setMeetingStartTime(std::optional<double> start);
    void setUpcomingMeeting(std::optional<UpcomingMeeting> meeting);
    void log(const QString &event, bool raw, const QMap<QString, QString> &own = {}) const;

    Runtime &m_runtime;
    MeetingSignalSources m_sources;
    ClaimHook m_claimWalkingMeeting;
    TimerDiagnosticsLogger *m_diagnostics;

    MeetingState m_currentState;
    bool m_confirmedInMeeting = false;
    std::optional<double> m_meetingStartTime;
    int m_lastMeetingDurationMinutes = 0;
    std::optional<UpcomingMeeting> m_upcomingMeeting;
    std::optional<QString> m_lastBrowserMeetingHost;
    bool m_cameraActive = false;
    bool m_micActive = false;
    bool m_rawInMeeting = false;
    // When the raw flag last changed: the wall clock for the meeting's start,
    // the monotonic clock to time the debounce (a clock set back must not
    // hold a meeting open).
    std::optional<double> m_transitionWall;
    double m_transitionMonotonic = 0;
    bool m_detectBrowserMeetings = true;
    SensorReading m_meetingAppReading = SensorReading::unknown;
    SensorReading m_fullscreenReading = SensorReading::unknown;
    SensorReading m_screenShareReading = SensorReading::unknown;

    Job m_updateJob;
    Job m_calendarJob;
    Job m_pendingPostMeetingBreak;
};

} // namespace stirwell
