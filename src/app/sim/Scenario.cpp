#include "app/sim/Scenario.h"

#include "models/CommitmentMode.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include <cmath>
#include <map>

namespace stirwell::sim {

namespace {

struct ParseFailure {
    QString message;
};

double parseNonNegativeNumber(const QString &text, const QString &what)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0)
        throw ParseFailure{QStringLiteral("%1 must be a non-negative number, not \"%2\"").arg(what, text)};
    return value;
}

int parseHour(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > 23)
        throw ParseFailure{QStringLiteral("an hour must be 0 to 23, not \"%1\"").arg(text)};
    return value;
}

// Resolves HH:MM:SS or +SECONDS against the previous line's moment.
double parseTime(const QString &text, double previous, const LocalCalendar &calendar)
{
    if (text.startsWith(QLatin1Char('+')))
        return previous + parseNonNegativeNumber(text.mid(1), QStringLiteral("a relative time"));
    const QTime time = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
    if (!time.isValid())
        throw ParseFailure{QStringLiteral("a time must be HH:MM:SS or +SECONDS, not \"%1\"").arg(text)};
    QDate date = calendar.localDate(previous);
    for (int day = 0; day < 3; ++day, date = date.addDays(1)) {
        const double candidate = calendar.moment(date, time.hour(), time.minute(), time.second());
        if (candidate >= previous)
            return candidate;
    }
    throw ParseFailure{QStringLiteral("the time \"%1\" cannot be resolved").arg(text)};
}

PreferenceValue parsePreferenceValue(const QString &text)
{
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.mid(1, text.size() - 2);
    bool ok = false;
    if (text.contains(QLatin1Char('.'))) {
        const double d = text.toDouble(&ok);
        if (ok && std::isfinite(d))
            return d;
    } else {
        const qint64 i = text.toLongLong(&ok);
        if (ok)
            return i;
    }
    throw ParseFailure{QStringLiteral("a preference value must be true, false, an integer, a decimal "
                                      "with '.', or a \"quoted string\", not %1")
                           .arg(text)};
}

// The arguments each action takes: a check that throws on a malformed line.
void checkAction(const QString &action, const QStringList &args)
{
    auto expectCount = [&](qsizetype n) {
        if (args.size() != n)
            throw ParseFailure{QStringLiteral("\"%1\" takes %2 argument(s), got %3").arg(action).arg(n).arg(args.size())};
    };
    static const QStringList noArgs = {QStringLiteral("launch"),      QStringLiteral("lock"),
                                       QStringLiteral("unlock"),      QStringLiteral("meeting-start"),
                                       QStringLiteral("snooze"),      QStringLiteral("bypass"),
                                       QStringLiteral("start-break"), QStringLiteral("end-break"),
                                       QStringLiteral("resume-manual")};
    if (noArgs.contains(action)) {
        expectCount(0);
    } else if (action == QLatin1String("commit")) {
        expectCount(1);
        if (!fromRawValue<CommitmentMode>(args[0]))
            throw ParseFailure{QStringLiteral("unknown mode \"%1\" (gentle, normal or warrior)").arg(args[0])};
    } else if (action == QLatin1String("idle") || action == QLatin1String("sleep")) {
        expectCount(1);
        parseNonNegativeNumber(args[0], QStringLiteral("seconds"));
    } else if (action == QLatin1String("meeting-end") || action == QLatin1String("pause-for")) {
        expectCount(1);
        parseNonNegativeNumber(args[0], QStringLiteral("minutes"));
    } else if (action == QLatin1String("upcoming")) {
        expectCount(1);
        if (args[0] != QLatin1String("none"))
            parseNonNegativeNumber(args[0], QStringLiteral("seconds"));
    } else if (action == QLatin1String("skip")) {
        // The phrase is the rest of the line, possibly empty.
    } else if (action == QLatin1String("quiet-hours")) {
        expectCount(3);
        if (args[0] != QLatin1String("on") && args[0] != QLatin1String("off"))
            throw ParseFailure{QStringLiteral("quiet-hours takes on or off, not \"%1\"").arg(args[0])};
        parseHour(args[1]);
        parseHour(args[2]);
    } else {
        throw ParseFailure{QStringLiteral("unknown action \"%1\"").arg(action)};
    }
}

} // namespace

std::variant<Scenario, ScenarioError> parseScenario(const QString &text)
{
    Scenario scenario;
    bool haveClock = false;
    bool ended = false;
    double previous = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression spaces(QStringLiteral("\\s+"));

    for (qsizetype index = 0; index < lines.size(); ++index) {
        const int lineNumber = static_cast<int>(index) + 1;
        QString line = lines[index];
        // '#' starts a comment, except inside a quoted preference string.
        if (const qsizetype hash = line.indexOf(QLatin1Char('#')); hash >= 0) {
            const qsizetype quote = line.indexOf(QLatin1Char('"'));
            if (quote < 0 || hash < quote)
                line.truncate(hash);
        }
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        try {
            if (ended)
                throw ParseFailure{QStringLiteral("nothing may follow \"until\"")};
            const QStringList words = line.split(spaces);
            const QString &keyword = words[0];
            if (!haveClock) {
                if (keyword != QLatin1String("clock") || words.size() != 3)
                    throw ParseFailure{QStringLiteral("the first line must be \"clock YYYY-MM-DDTHH:MM:SS ZONE\"")};
                const QTimeZone zone(words[2].toUtf8());
                if (!zone.isValid())
                    throw ParseFailure{QStringLiteral("unknown time zone \"%1\"").arg(words[2])};
                const QDateTime local = QDateTime::fromString(words[1], QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
                if (!local.isValid())
                    throw ParseFailure{QStringLiteral("the start must be YYYY-MM-DDTHH:MM:SS, not \"%1\"").arg(words[1])};
                scenario.zone = words[2];
                scenario.calendar = LocalCalendar(zone);
                scenario.start = QDateTime(local.date(), local.time(), zone).toMSecsSinceEpoch() / 1000.0;
                previous = scenario.start;
                haveClock = true;
                continue;
            }
            if (keyword == QLatin1String("clock"))
                throw ParseFailure{QStringLiteral("\"clock\" may appear only once, on the first line")};
            if (keyword == QLatin1String("pref")) {
                if (words.size() < 3)
                    throw ParseFailure{QStringLiteral("\"pref\" needs a key and a value")};
                const QString valueText = line.section(spaces, 2);
                scenario.steps.append(ScenarioStep{lineNumber, previous, QStringLiteral("pref"), {words[1]}, valueText,
                                                   parsePreferenceValue(valueText)});
            } else if (keyword == QLatin1String("until")) {
                if (words.size() != 2)
                    throw ParseFailure{QStringLiteral("\"until\" takes one time")};
                previous = parseTime(words[1], previous, scenario.calendar);
                scenario.end = previous;
                ended = true;
            } else if (keyword == QLatin1String("at")) {
                if (words.size() < 3)
                    throw ParseFailure{QStringLiteral("\"at\" needs a time and an action")};
                const double at = parseTime(words[1], previous, scenario.calendar);
                const QString action = words[2];
                const QStringList args = words.mid(3);
                checkAction(action, args);
                scenario.steps.append(ScenarioStep{lineNumber, at, action, args, line.section(spaces, 3), std::nullopt});
                previous = at;
            } else {
                throw ParseFailure{QStringLiteral("unknown line \"%1\" (expected pref, at or until)").arg(keyword)};
            }
        } catch (const ParseFailure &failure) {
            return ScenarioError{lineNumber, failure.message};
        }
    }
    if (!haveClock)
        return ScenarioError{1, QStringLiteral("the scenario is empty; the first line must be \"clock ...\"")};
    if (!ended)
        scenario.end = previous;
    return scenario;
}

} // namespace stirwell::sim
