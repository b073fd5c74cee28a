#include "runtime/SystemRuntime.h"
#include "runtime/TimeScale.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("stirwell"));
    const auto scale = stirwell::parseTimeScale(QCoreApplication::arguments());
    if (!scale) {
        QTextStream(stderr) << "stirwell: --time-scale needs a positive number\n";
        return 2;
    }
    stirwell::SystemRuntime runtime(*scale);
    QTextStream(stdout) << "Stirwell: the application shell is not built yet.\n";
    return 0;
}
