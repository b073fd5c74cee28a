#include <benchmark/benchmark.h>

#include <QCoreApplication>

// The main of benchmarks whose code needs an application object (D-Bus
// connections, queued signals, QProcess).
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
