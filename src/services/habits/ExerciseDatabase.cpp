#include "services/habits/ExerciseDatabase.h"
#include "services/storage/JsonDocument.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

#include <array>
#include <cmath>
#include <limits>

namespace stirwell {

namespace {

Q_LOGGING_CATEGORY(lcExercises, "stirwell.habits.exercises")

std::optional<Exercise> decodeExercise(const QJsonValue &value, QString *problem)
{
    if (!value.isObject()) {
        *problem = QStringLiteral("not an object");
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    const QJsonValue name = object.value(QLatin1String("name"));
    const QJsonValue instruction = object.value(QLatin1String("instruction"));
    const QJsonValue duration = object.value(QLatin1String("duration"));
    const QJsonValue category = object.value(QLatin1String("category"));
    const QJsonValue animation = object.value(QLatin1String("animationName"));
    if (!name.isString() || !instruction.isString()) {
        *problem = QStringLiteral("\"name\" and \"instruction\" must be strings");
        return std::nullopt;
    }
    const double seconds = duration.toDouble(-1);
    if (!duration.isDouble() || seconds != std::floor(seconds) || seconds < std::numeric_limits<int>::min()
        || seconds > std::numeric_limits<int>::max()) {
        *problem = QStringLiteral("\"duration\" must be an integer");
        return std::nullopt;
    }
    const std::optional<ExerciseCategory> parsedCategory =
        category.isString() ? fromRawValue<ExerciseCategory>(category.toString()) : std::nullopt;
    if (!parsedCategory) {
        *problem = QStringLiteral("\"category\" is missing or names no category");
        return std::nullopt;
    }
    if (!animation.isUndefined() && !animation.isNull() && !animation.isString()) {
        *problem = QStringLiteral("\"animationName\" must be a string");
        return std::nullopt;
    }
    Exercise exercise;
    exercise.name = name.toString();
    exercise.instruction = instruction.toString();
    exercise.duration = static_cast<int>(seconds);
    exercise.category = *parsedCategory;
    if (animation.isString())
        exercise.animationName = animation.toString();
    return exercise;
}

} // namespace

std::optional<ExerciseDatabase> ExerciseDatabase::decode(const QByteArray &bytes, QString *error)
{
    QString scratch;
    QString &problem = error ? *error : scratch;
    const std::optional<QJsonObject> parsed = parseJsonObject(bytes, &problem);
    if (!parsed)
        return std::nullopt;
    const QJsonObject &root = *parsed;
    ExerciseDatabase database;
    const std::array<std::pair<const char *, QList<Exercise> *>, 5> pools = {{
        {"micro", &database.micro},
        {"movement", &database.movement},
        {"breathing", &database.breathing},
        {"exerciseSnack", &database.exerciseSnack},
        {"extended", &database.extended},
    }};
    for (const auto &[key, pool] : pools) {
        const QJsonValue value = root.value(QLatin1String(key));
        if (value.isUndefined())
            continue;
        if (!value.isArray()) {
            problem = QStringLiteral("\"%1\" is not an array").arg(QLatin1String(key));
            return std::nullopt;
        }
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            QString exerciseProblem;
            std::optional<Exercise> exercise = decodeExercise(array.at(i), &exerciseProblem);
            if (!exercise) {
                problem = QStringLiteral("\"%1\" exercise %2: %3").arg(QLatin1String(key), QString::number(i), exerciseProblem);
                return std::nullopt;
            }
            pool->append(std::move(*exercise));
        }
    }
    return database;
}

ExerciseDatabase ExerciseDatabase::load(const QString &path, QString *problem)
{
    QString scratch;
    QString &outcome = problem ? *problem : scratch;
    outcome.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        outcome = QStringLiteral("exercise catalog %1 cannot be read (%2); no exercises are offered")
                      .arg(path, file.errorString());
        qCWarning(lcExercises).noquote() << outcome;
        return {};
    }
    QString error;
    std::optional<ExerciseDatabase> database = decode(file.readAll(), &error);
    if (!database) {
        outcome = QStringLiteral("exercise catalog %1 is invalid: %2; no exercises are offered").arg(path, error);
        qCWarning(lcExercises).noquote() << outcome;
        return {};
    }
    return std::move(*database);
}

} // namespace stirwell
