#include "app/sim/DaySimulator.h"
#include "app/sim/Scenario.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <optional>

using namespace stirwell::sim;

namespace {
int usage(QTextStream &err, const QString &problem)
{
    err << "stirwell-sim: " << problem << "\n"
        << "usage: stirwell-sim [--data-dir DIR] [--seed N] SCENARIO_FILE\n";
    return 2;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QString dataDir;
    std::optional<quint32> seed;
    QString scenarioPath;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--data-dir") || arg == QLatin1String("--seed")) {
            if (i + 1 >= args.size())
                return usage(err, arg + QStringLiteral(" needs a value"));
            const QString value = args[++i];
            if (arg == QLatin1String("--data-dir")) {
                dataDir = value;
            } else {
                bool ok = false;
                const quint32 n = value.toUInt(&ok);
                if (!ok)
                    return usage(err, QStringLiteral("--seed needs a non-negative integer"));
                seed = n;
            }
        } else if (arg.startsWith(QLatin1String("--"))) {
            return usage(err, QStringLiteral("unknown option ") + arg);
        } else if (scenarioPath.isEmpty()) {
            scenarioPath = arg;
        } else {
            return usage(err, QStringLiteral("only one scenario file may be given"));
        }
    }
    if (scenarioPath.isEmpty())
        return usage(err, QStringLiteral("no scenario file given"));

    QFile file(scenarioPath);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "stirwell-sim: " << scenarioPath << ": " << file.errorString() << "\n";
        return 2;
    }
    const auto parsed = parseScenario(QString::fromUtf8(file.readAll()));
    if (const auto *error = std::get_if<ScenarioError>(&parsed)) {
        err << "stirwell-sim: " << scenarioPath << ":" << error->line << ": " << error->message << "\n";
        return 2;
    }

    // Without --data-dir the files go to a directory removed at exit.
    QTemporaryDir scratch;
    if (dataDir.isEmpty())
        dataDir = scratch.path();
    if (!QDir().mkpath(dataDir)) {
        err << "stirwell-sim: cannot create the data directory " << dataDir << "\n";
        return 2;
    }
    runScenario(std::get<Scenario>(parsed), SimulatorOptions{QDir(dataDir).absolutePath(), seed}, out);
    return 0;
}
