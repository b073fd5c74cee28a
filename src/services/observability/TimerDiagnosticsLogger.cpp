#include "services/observability/TimerDiagnosticsLogger.h"

#include "runtime/Runtime.h"
#include "services/storage/PreferencesStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>

namespace stirwell {

TimerDiagnosticsLogger::TimerDiagnosticsLogger(PreferencesStore &preferences, const Runtime &clock,
                                               QString directory)
    : m_preferences(preferences)
    , m_clock(clock)
    , m_directory(std::move(directory))
{
}

bool TimerDiagnosticsLogger::isEnabled() const
{
    return m_preferences.boolValue(kEnabledKey).value_or(false);
}

void TimerDiagnosticsLogger::setEnabled(bool on)
{
    if (on) {
        m_preferences.setBool(kEnabledKey, true);
        log(QStringLiteral("timer_diagnostics.enabled"));
    } else {
        write(QStringLiteral("timer_diagnostics.disabled"), {}, true);
        m_preferences.setBool(kEnabledKey, false);
    }
}

void TimerDiagnosticsLogger::log(const QString &event, const DiagnosticProperties &properties)
{
    write(event, properties, false);
}

void TimerDiagnosticsLogger::clear()
{
    QFile::remove(logFilePath());
    QFile::remove(previousLogFilePath());
    log(QStringLiteral("timer_diagnostics.cleared"));
}

QString TimerDiagnosticsLogger::logFilePath() const
{
    return m_directory + QStringLiteral("/timer-diagnostics.jsonl");
}

QString TimerDiagnosticsLogger::previousLogFilePath() const
{
    return m_directory + QStringLiteral("/timer-diagnostics.previous.jsonl");
}

void TimerDiagnosticsLogger::write(const QString &event, const DiagnosticProperties &properties, bool forced)
{
    if (!forced && !isEnabled())
        return;
    if (!QDir().mkpath(m_directory))
        return;

    const QString current = logFilePath();
    const QFileInfo info(current);
    if (info.exists() && info.size() >= kMaxLogBytes) {
        QFile::remove(previousLogFilePath());
        QFile::rename(current, previousLogFilePath());
    }

    const auto seconds = static_cast<qint64>(std::floor(m_clock.now()));
    QJsonObject record{
        {QStringLiteral("timestamp"), QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate)},
        {QStringLiteral("event"), event},
    };
    for (auto it = properties.cbegin(); it != properties.cend(); ++it)
        record.insert(it.key(), it.value());
    QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact);
    line.append('\n');

    QFile file(current);
    if (file.exists()) {
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(line);
        return;
    }
    QSaveFile fresh(current);
    if (fresh.open(QIODevice::WriteOnly)) {
        fresh.write(line);
        (void)fresh.commit();
    }
}

bool TimerDiagnosticEmitter::timerDiagnosticsEnabled() const
{
    return m_diagnosticsLogger && m_diagnosticsLogger->isEnabled();
}

void TimerDiagnosticEmitter::logTimerDiagnostic(const QString &event, const DiagnosticProperties &properties) const
{
    // Checked first so that a disabled log costs no context building.
    if (!timerDiagnosticsEnabled())
        return;
    DiagnosticProperties merged = diagnosticContext();
    for (auto it = properties.cbegin(); it != properties.cend(); ++it)
        merged.insert(it.key(), it.value());
    m_diagnosticsLogger->log(event, merged);
}

} // namespace stirwell
