#pragma once

#include "runtime/JobQueue.h"
#include "runtime/Runtime.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace stirwell {

// Real time on the Qt event loop.
//
// With a time scale N above 1 (demos, end-to-end tests) the application's
// clocks run N times faster than real time: N seconds of application time
// pass per real second, both on the monotonic clock and on the wall clock,
// which starts at the real wall clock.
class SystemRuntime final : public QObject, public Runtime {
    Q_OBJECT
public:
    explicit SystemRuntime(double timeScale = 1.0, LocalCalendar calendar = LocalCalendar(),
                           QObject *parent = nullptr);

    [[nodiscard]] double now() const override;
    [[nodiscard]] double monotonic() const override;
    [[nodiscard]] const LocalCalendar &calendar() const override { return m_calendar; }
    [[nodiscard]] double timeScale() const { return m_timeScale; }

protected:
    [[nodiscard]] JobQueue &jobQueue() override { return m_queue; }

private:
    void rearm();
    void runDue();

    double m_timeScale;
    LocalCalendar m_calendar;
    QElapsedTimer m_elapsed;
    double m_wallAtStart;
    JobQueue m_queue;
    QTimer m_timer;
};

} // namespace stirwell
