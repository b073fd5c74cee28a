#include "DaySimulation.h"

#include <QDate>

#include <array>

namespace stirwell::test {

namespace {
const LocalCalendar kBerlin = LocalCalendar::fromIanaName(QStringLiteral("Europe/Berlin"));
constexpr double kMinute = 60;
constexpr double kHour = 3600;
} // namespace

DaySimulation::DaySimulation(unsigned seed)
    : EngineParts(kBerlin.moment(QDate(2025, 3, 10), 7, 30), kBerlin)
    , m_random(seed)
{
    analytics.keepEvents = false;
    scheduler = makeScheduler(nullptr);
    scheduler->upcomingMeetingProvider = [this] { return upcomingMeeting; };
}

double DaySimulation::uniform(double low, double high)
{
    // Spelled out rather than std::uniform_real_distribution, whose output
    // may differ between standard libraries: the seed fixes the run.
    return low + (high - low) * (static_cast<double>(m_random()) / static_cast<double>(std::mt19937::max()));
}

int DaySimulation::integer(int low, int high)
{
    return low + static_cast<int>(m_random() % static_cast<unsigned>(high - low + 1));
}

bool DaySimulation::chance(double probability)
{
    return uniform(0, 1) < probability;
}

void DaySimulation::run(int days, const std::function<void(const char *)> &afterStep)
{
    scheduler->applyQuietHours({true, 22, 7});
    scheduler->start();
    const double end = runtime.now() + days * 24 * kHour;
    while (runtime.now() < end)
        step(afterStep);
}

void DaySimulation::step(const std::function<void(const char *)> &afterStep)
{
    const auto done = [&afterStep](const char *name) {
        if (afterStep)
            afterStep(name);
    };
    BreakScheduler &s = *scheduler;
    // A new day for the habit services.
    const QString day = LocalCalendar::utcDayKey(runtime.now());
    if (day != m_day) {
        m_day = day;
        snoozeBudget.used = 0;
        skipFriction.skipsToday = 0;
    }
    // Pauses end when their time has come: the unlock, the meeting's end
    // (with its post-meeting request, sometimes overtaking the end), the
    // user's own resume.
    for (auto it = m_plannedEnds.begin(); it != m_plannedEnds.end();) {
        const PauseReason reason = it->first;
        if (runtime.now() < it->second) {
            ++it;
            continue;
        }
        it = m_plannedEnds.erase(it);
        if (reason == PauseReason::meeting) {
            const int minutes = static_cast<int>((runtime.now() - m_meetingStart) / kMinute);
            if (chance(0.3)) {
                s.triggerPostMeetingBreak(minutes);
                done("post-meeting before the end");
                s.resume(reason);
            } else {
                s.resume(reason);
                done("meeting ended");
                s.triggerPostMeetingBreak(minutes);
            }
            done("post-meeting");
        } else {
            s.resume(reason);
            done(reason == PauseReason::screenLock ? "unlocked" : "manual resume");
        }
    }

    const int pick = integer(0, 199);

    if (pick < 106) { // work on, typing
        m_awaySince.reset();
        runtime.advance(uniform(1, 10 * kMinute));
        done("work");
    } else if (pick < 110) { // stand up and leave for a while
        m_awaySince = runtime.now();
        runtime.advance(uniform(kMinute, 40 * kMinute));
        done("away");
        m_awaySince.reset();
    } else if (pick < 118) { // lock the screen
        if (!s.pauseReasons().contains(PauseReason::screenLock)) {
            s.pause(PauseReason::screenLock);
            m_plannedEnds[PauseReason::screenLock] = runtime.now() + uniform(10, 30 * kMinute);
            done("locked");
        }
    } else if (pick < 122) { // sleep, announced
        s.pause(PauseReason::systemSleep);
        done("sleep announced");
        runtime.suspend(chance(0.05) ? uniform(2 * kHour, 10 * kHour) : uniform(5 * kMinute, 40 * kMinute));
        s.resume(PauseReason::systemSleep);
        done("woke");
    } else if (pick < 124) { // sleep, unannounced
        runtime.suspend(uniform(kMinute, 2 * kHour));
        done("slept unannounced");
    } else if (pick < 126) { // a meeting starts
        if (!s.pauseReasons().contains(PauseReason::meeting)) {
            s.pause(PauseReason::meeting);
            m_meetingStart = runtime.now();
            m_plannedEnds[PauseReason::meeting] = runtime.now() + uniform(2 * kMinute, 70 * kMinute);
            done("meeting started");
        }
    } else if (pick < 134) { // the calendar's next meeting moves
        if (chance(0.5))
            upcomingMeeting = UpcomingMeeting{runtime.now() + uniform(0, 20 * kMinute), std::nullopt};
        else
            upcomingMeeting.reset();
        done("calendar");
    } else if (pick < 138) { // a manual pause, time-boxed or not
        if (s.pauseReasons().contains(PauseReason::manual)) {
            if (chance(0.3)) {
                s.resume(PauseReason::manual);
                m_plannedEnds.erase(PauseReason::manual);
                done("manual resume");
            }
        } else if (chance(0.7)) {
            s.pauseUntil(runtime.now() + uniform(-5 * kMinute, 90 * kMinute), PauseReason::manual);
            m_plannedEnds[PauseReason::manual] = runtime.now() + 2 * kHour;
            done("time-boxed pause");
        } else {
            s.pause(PauseReason::manual);
            m_plannedEnds[PauseReason::manual] = runtime.now() + uniform(5 * kMinute, kHour);
            done("manual pause");
        }
    } else if (pick < 194) { // the user answers the break screen
        if (showsControls(s.state())) {
            const int answer = integer(0, 3);
            if (answer == 0 && s.canSnoozeBreak())
                s.snooze();
            else if (answer == 1 && s.canSkip())
                s.confirmSkip(s.currentMode());
            else
                s.startBreakTimer();
            done("answered");
        }
    } else if (pick < 195) {
        s.emergencyBypass(s.currentMode());
        done("bypass");
    } else if (pick < 198) { // a new day's commitment or new settings
        static constexpr std::array<CommitmentMode, 3> modes = {CommitmentMode::gentle, CommitmentMode::normal,
                                                                CommitmentMode::warrior};
        if (chance(0.5))
            s.configure(modes[static_cast<std::size_t>(integer(0, 2))]);
        else
            s.applySettings(integer(15, 120), integer(30, 900));
        done("settings");
    } else if (chance(0.2)) { // quiet hours changed in the settings, often back to the usual
        if (chance(0.5))
            s.applyQuietHours({true, 22, 7});
        else
            s.applyQuietHours({chance(0.8), integer(0, 23), integer(0, 23)});
        done("quiet hours");
    }
}

} // namespace stirwell::test
