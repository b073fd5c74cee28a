#pragma once

#include "services/meetings/BrowserMeetingTabProbe.h"
#include "services/meetings/CalendarSource.h"
#include "services/meetings/DeviceUsageSensor.h"
#include "services/meetings/FullscreenProbe.h"
#include "services/meetings/RunningProcesses.h"

#include <functional>

namespace stirwell::test {

// A capture device whose use the test switches; `set` hints like an
// event-driven sensor unless `hints` is off.
class FakeDeviceSensor : public DeviceUsageSensor {
public:
    SensorReading reading = SensorReading::no;
    bool hints = true;
    int probes = 0;

    void set(SensorReading value)
    {
        reading = value;
        if (hints && m_hint)
            m_hint();
    }
    void set(bool inUse) { set(inUse ? SensorReading::yes : SensorReading::no); }

    SensorReading probe() override
    {
        ++probes;
        return reading;
    }
    QString backendName() const override { return QStringLiteral("fake"); }
    void setChangeHint(std::function<void()> hint) override { m_hint = std::move(hint); }

private:
    std::function<void()> m_hint;
};

class FakeProcesses : public RunningProcesses {
public:
    std::vector<ProcessInfo> list{ProcessInfo{1, QStringLiteral("systemd"), QStringLiteral("systemd"), {}, {}, {}}};

    void add(const QString &name, const QStringList &arguments = {})
    {
        list.push_back(ProcessInfo{qint64(list.size()) + 100, name, name, {}, {}, arguments});
    }
    const std::vector<ProcessInfo> &processes() override { return list; }
    void setCommandLineNames(const QStringList &) override {}
};

class FakeFullscreen : public FullscreenProbe {
public:
    SensorReading reading = SensorReading::no;
    SensorReading frontmostFullscreen() override { return reading; }
    QString backendName() const override { return QStringLiteral("fake"); }
};

class FakeCalendar : public CalendarSource {
public:
    bool current = false;
    std::optional<UpcomingMeeting> next;
    std::optional<WalkingMeetingCheck> walking;
    std::optional<double> lastWindow;

    bool hasCurrentCalendarEvent() override { return current; }
    std::optional<UpcomingMeeting> nextMeeting(double withinSeconds) override
    {
        lastWindow = withinSeconds;
        return next;
    }
    std::optional<WalkingMeetingCheck> upcomingWalkingMeeting() override { return walking; }
};

class FakeBrowserTabs : public BrowserMeetingTabProbe {
public:
    Result result;
    int resets = 0;
    int asks = 0;
    bool lastScanAllTabs = false;
    std::optional<QString> lastSustainHost;

    Result detectActiveMeetingURL(bool scanAllTabs, const std::optional<QString> &sustainHost) override
    {
        ++asks;
        lastScanAllTabs = scanAllTabs;
        lastSustainHost = sustainHost;
        return result;
    }
    void resetPermissionCache() override { ++resets; }
};

} // namespace stirwell::test
