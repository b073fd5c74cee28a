#pragma once

#include <QMap>
#include <QString>

namespace stirwell {

class PreferencesStore;
class Runtime;

using DiagnosticProperties = QMap<QString, QString>;

// The local, append-only log of timer and scheduling events, in JSON Lines:
// "timer-diagnostics.jsonl" in the data directory, rotated to
// "timer-diagnostics.previous.jsonl" once it reaches 5,000,000 bytes.
//
// Each record is a compact JSON object with keys sorted: "timestamp" (UTC,
// whole seconds, "Z"), "event", and the properties, which may replace either.
// Logging is on while the preference "timerDiagnosticsEnabled" is true.
// Nothing here is ever sent anywhere, and no failure is reported: a record
// that cannot be written is lost, and the caller carries on.
class TimerDiagnosticsLogger {
public:
    static constexpr qint64 kMaxLogBytes = 5'000'000;
    static inline const QString kEnabledKey = QStringLiteral("timerDiagnosticsEnabled");

    TimerDiagnosticsLogger(PreferencesStore &preferences, const Runtime &clock, QString directory);

    [[nodiscard]] bool isEnabled() const;
    // Switching on stores the flag, then logs "timer_diagnostics.enabled";
    // switching off first logs "timer_diagnostics.disabled", then stores it.
    void setEnabled(bool on);
    void log(const QString &event, const DiagnosticProperties &properties = {});
    // Deletes both files, then logs "timer_diagnostics.cleared".
    void clear();

    [[nodiscard]] const QString &directory() const { return m_directory; }
    [[nodiscard]] QString logFilePath() const;
    [[nodiscard]] QString previousLogFilePath() const;

private:
    void write(const QString &event, const DiagnosticProperties &properties, bool forced);

    PreferencesStore &m_preferences;
    const Runtime &m_clock;
    QString m_directory;
};

// Adopted by components that write diagnostics: their current context is
// merged under the properties of every record they log, the call's own
// properties winning on equal keys. A component without a logger (null)
// logs nothing.
class TimerDiagnosticEmitter {
public:
    explicit TimerDiagnosticEmitter(TimerDiagnosticsLogger *logger)
        : m_diagnosticsLogger(logger)
    {
    }
    virtual ~TimerDiagnosticEmitter() = default;
    TimerDiagnosticEmitter(const TimerDiagnosticEmitter &) = delete;
    TimerDiagnosticEmitter &operator=(const TimerDiagnosticEmitter &) = delete;

    [[nodiscard]] virtual DiagnosticProperties diagnosticContext() const = 0;

    void logTimerDiagnostic(const QString &event, const DiagnosticProperties &properties = {}) const;
    // Whether a record would be written now: steps that run every second
    // build their properties only then.
    [[nodiscard]] bool timerDiagnosticsEnabled() const;

private:
    TimerDiagnosticsLogger *m_diagnosticsLogger;
};

} // namespace stirwell
