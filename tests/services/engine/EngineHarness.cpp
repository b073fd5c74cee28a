#include "EngineHarness.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

#include <cmath>

namespace stirwell::test {

namespace {
const LocalCalendar kBerlin = LocalCalendar::fromIanaName(QStringLiteral("Europe/Berlin"));
const QDate kFirstDay(2025, 3, 10);
constexpr double kSameMoment = 1e-6;
} // namespace

EngineHarness::EngineHarness(int startHour, int startMinute, bool logDiagnostics)
    : EngineParts(kBerlin.moment(kFirstDay, startHour, startMinute), kBerlin)
{
    if (logDiagnostics) {
        preferences.setBool(TimerDiagnosticsLogger::kEnabledKey, true);
        logger = std::make_unique<TimerDiagnosticsLogger>(preferences, runtime, directory.path());
    }
    scheduler = makeScheduler(logger.get());
    QObject::connect(scheduler.get(), &BreakScheduler::stateChanged,
                     [this](BreakState to, BreakState from) { m_pending.push_back({runtime.now(), from, to}); });
}

double EngineHarness::moment(const QString &clock) const
{
    static const QRegularExpression pattern(QStringLiteral(R"(^(\d\d):(\d\d)(?::(\d\d)(\.\d+)?)?$)"));
    const auto match = pattern.match(clock);
    if (!match.hasMatch()) {
        ADD_FAILURE() << "unreadable clock text " << clock.toStdString();
        return runtime.now();
    }
    const int hour = match.captured(1).toInt();
    const int minute = match.captured(2).toInt();
    const int second = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
    const double fraction = match.captured(4).isEmpty() ? 0.0 : match.captured(4).toDouble();
    QDate day = kBerlin.localDate(runtime.now());
    double at = kBerlin.moment(day, hour, minute, second) + fraction;
    if (at < runtime.now() - kSameMoment)
        at = kBerlin.moment(day.addDays(1), hour, minute, second) + fraction;
    return at;
}

QString EngineHarness::clockText(double at) const
{
    const QDateTime local = kBerlin.localDateTime(at);
    QString text = local.toString(QStringLiteral("ddd HH:mm:ss"));
    const double fraction = at - std::floor(at);
    if (fraction > kSameMoment && fraction < 1 - kSameMoment)
        text += QStringLiteral(".") + QString::number(qRound(fraction * 10));
    return text;
}

void EngineHarness::advanceTo(const QString &clock)
{
    runtime.advanceTo(moment(clock));
}

::testing::AssertionResult EngineHarness::next(const QString &clock, BreakState expected)
{
    const double target = moment(clock);
    while (m_pending.empty() && runtime.now() < target - kSameMoment) {
        double step = target - runtime.now();
        if (const auto due = runtime.nextDueIn(); due && *due < step)
            step = *due;
        runtime.advance(step);
    }
    if (m_pending.empty()) {
        return ::testing::AssertionFailure()
               << "expected " << rawValue(expected).toStdString() << " at " << clockText(target).toStdString()
               << ", but the state was still " << rawValue(scheduler->state()).toStdString();
    }
    const StateChange change = m_pending.front();
    m_pending.pop_front();
    if (change.to != expected || std::abs(change.at - target) > kSameMoment) {
        return ::testing::AssertionFailure()
               << "expected " << rawValue(expected).toStdString() << " at " << clockText(target).toStdString()
               << ", but at " << clockText(change.at).toStdString() << " the state went from "
               << rawValue(change.from).toStdString() << " to " << rawValue(change.to).toStdString();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult EngineHarness::quietUntil(const QString &clock)
{
    const double target = moment(clock);
    if (m_pending.empty())
        runtime.advanceTo(target);
    if (!m_pending.empty()) {
        const StateChange change = m_pending.front();
        return ::testing::AssertionFailure()
               << "expected no change until " << clockText(target).toStdString() << ", but at "
               << clockText(change.at).toStdString() << " the state went from "
               << rawValue(change.from).toStdString() << " to " << rawValue(change.to).toStdString();
    }
    return ::testing::AssertionSuccess();
}

QList<QJsonObject> EngineHarness::diagnostics(const QString &event) const
{
    QList<QJsonObject> out;
    if (!logger)
        return out;
    QFile file(logger->logFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return out;
    while (!file.atEnd()) {
        const QJsonObject record = QJsonDocument::fromJson(file.readLine()).object();
        if (event.isEmpty() || record.value(QStringLiteral("event")).toString() == event)
            out << record;
    }
    return out;
}

QJsonObject EngineHarness::lastDiagnostic(const QString &event) const
{
    const QList<QJsonObject> all = diagnostics(event);
    return all.isEmpty() ? QJsonObject() : all.last();
}

QString EngineHarness::lastValue(const QString &event, const QString &key) const
{
    return lastDiagnostic(event).value(key).toString();
}

QStringList EngineHarness::diagnosticEvents() const
{
    QStringList names;
    for (const QJsonObject &record : diagnostics(QString()))
        names << record.value(QStringLiteral("event")).toString();
    return names;
}

} // namespace stirwell::test
