#pragma once

#include "EngineParts.h"

#include "runtime/virtual/VirtualRuntime.h"
#include "services/engine/BreakScheduler.h"
#include "services/engine/CircadianEngine.h"
#include "services/storage/PreferencesStore.h"
#include "services/system/IdleDetector.h"

#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <ostream>
#include <memory>
#include <optional>

namespace stirwell {
inline void PrintTo(BreakState value, std::ostream *os) { *os << rawValue(value).toStdString(); }
inline void PrintTo(BreakType value, std::ostream *os) { *os << rawValue(value).toStdString(); }
inline void PrintTo(PauseReason value, std::ostream *os) { *os << rawValue(value).toStdString(); }
} // namespace stirwell

namespace stirwell::test {

// The break engine on virtual time with in-memory collaborators, a real
// diagnostics log in a temporary directory, and a user whose keyboard idle
// time the test controls. Local time is Europe/Berlin; the day starts on
// Monday 10 March 2025 at the given hour.
class EngineHarness : public EngineParts {
public:
    struct StateChange {
        double at;
        BreakState from;
        BreakState to;
    };

    explicit EngineHarness(int startHour = 9, int startMinute = 0, bool logDiagnostics = true);

    // The user -------------------------------------------------------------
    // Keyboard and pointer in use: idle time 0.
    void typing() { m_awaySince.reset(); }
    // The user left (now, or `secondsAgo` earlier): idle time grows from there.
    void leave(double secondsAgo = 0) { m_awaySince = runtime.now() - secondsAgo; }

    // Time -------------------------------------------------------------------
    // The first moment at or after now whose local clock reads `clock`
    // ("09:45", "09:55:00.5").
    [[nodiscard]] double moment(const QString &clock) const;
    [[nodiscard]] QString clockText(double moment) const;
    [[nodiscard]] QString nowText() const { return clockText(runtime.now()); }
    // Advances to the next `clock` reading; state changes meanwhile are kept
    // for next().
    void advanceTo(const QString &clock);

    // Timelines ----------------------------------------------------------------
    // Runs time forward until the next state change and checks that it goes
    // to `expected` exactly at `clock`.
    [[nodiscard]] ::testing::AssertionResult next(const QString &clock, BreakState expected);
    // Runs time forward to `clock` and checks that the state does not change.
    [[nodiscard]] ::testing::AssertionResult quietUntil(const QString &clock);
    [[nodiscard]] const std::deque<StateChange> &pendingChanges() const { return m_pending; }
    void forgetPendingChanges() { m_pending.clear(); }

    // Reports ------------------------------------------------------------------
    // Every diagnostic logged so far with this event name, oldest first.
    [[nodiscard]] QList<QJsonObject> diagnostics(const QString &event) const;
    [[nodiscard]] QJsonObject lastDiagnostic(const QString &event) const;
    [[nodiscard]] QString lastValue(const QString &event, const QString &key) const;
    [[nodiscard]] QStringList diagnosticEvents() const;

    QTemporaryDir directory;
    PreferencesStore preferences;
    std::unique_ptr<TimerDiagnosticsLogger> logger;
    std::unique_ptr<BreakScheduler> scheduler;

private:
    std::deque<StateChange> m_pending;
};

} // namespace stirwell::test
