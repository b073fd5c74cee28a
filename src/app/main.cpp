#include "app/shell/MomentLog.h"
#include "app/shell/SingleInstance.h"
#include "app/shell/StirwellApp.h"
#include "app/shell/TerminationSignals.h"
#include "runtime/SystemRuntime.h"
#include "runtime/TimeScale.h"
#include "services/storage/DataDirectory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTextStream>

namespace {

// share/stirwell beside the program: installed (bin/../share) or in the
// build tree (src/app/../../share).
QString shareDirectory()
{
    const QDir bin(QCoreApplication::applicationDirPath());
    for (const QString &relative : {QStringLiteral("../share/stirwell"), QStringLiteral("../../share/stirwell")})
        if (QFileInfo(bin.filePath(relative)).isDir())
            return QDir::cleanPath(bin.filePath(relative));
    return QDir::cleanPath(bin.filePath(QStringLiteral("../share/stirwell")));
}

} // namespace

int main(int argc, char *argv[])
{
    // Diagnostic stamps count from here (printed only with --print-states).
    stirwell::MomentLog moments;
    // Termination signals are read from a signalfd by the event loop; they
    // must be blocked before Qt starts its threads.
    stirwell::TerminationSignals::block();

    // The break screens draw with Qt Quick's software renderer unless told
    // otherwise: far less memory than a GPU context for a few simple screens.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("stirwell"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.stirwell.app"));
    QGuiApplication::setQuitOnLastWindowClosed(false);

    const auto scale = stirwell::parseTimeScale(QCoreApplication::arguments());
    if (!scale) {
        QTextStream(stderr) << "stirwell: --time-scale needs a positive number\n";
        return 2;
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stirwell: stand up and move at regular intervals."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("time-scale"), QStringLiteral("Seconds of Stirwell time per real second."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("capture-dir"),
                      QStringLiteral("Save a screenshot of every break screen into DIR."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("print-states"),
                      QStringLiteral("Print every state change, when the tray is ready and when each break screen "
                                     "shows its first frame, in milliseconds since start.")});
    parser.addOption({QStringLiteral("exit-after-break"), QStringLiteral("Quit once the first break is over.")});
    parser.addOption({QStringLiteral("quit"),
                      QStringLiteral("Ask the running Stirwell to quit (refused while a break is due or under way).")});
    parser.process(app);
    const bool quitRequest = parser.isSet(QStringLiteral("quit"));

    stirwell::SingleInstance instance;
    if (!instance.claim(quitRequest ? QByteArrayLiteral("quit") : QByteArrayLiteral("activate"))) {
        QTextStream(stdout) << (quitRequest ? "Stirwell has been asked to quit.\n"
                                            : "Stirwell is already running; it has been brought forward.\n");
        return 0;
    }
    if (quitRequest) {
        QTextStream(stdout) << "Stirwell is not running.\n";
        return 1;
    }

    stirwell::SystemRuntime runtime(*scale);
    stirwell::StirwellOptions options;
    options.captureDirectory = parser.value(QStringLiteral("capture-dir"));
    options.printStates = parser.isSet(QStringLiteral("print-states"));
    moments.setEnabled(options.printStates);
    moments.printOrigin();
    options.moments = &moments;
    options.exitAfterBreak = parser.isSet(QStringLiteral("exit-after-break"));
    options.dataDirectory = stirwell::defaultDataDirectory();
    options.shareDirectory = shareDirectory();

    stirwell::StirwellApp stirwellApp(runtime, options);
    // A termination signal ends the process through its ordinary shut-down,
    // whatever the break state: only the user's own quit is guarded.
    stirwell::TerminationSignals terminations;
    QObject::connect(&terminations, &stirwell::TerminationSignals::terminationRequested, &app,
                     [](int) { QCoreApplication::quit(); });
    // A logout ends the session without asking the quit guard.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [](QSessionManager &) {});
    QObject::connect(&instance, &stirwell::SingleInstance::activationRequested, &stirwellApp,
                     [&stirwellApp] { stirwellApp.appDelegate().bringForward(); });
    QObject::connect(&instance, &stirwell::SingleInstance::quitRequested, &stirwellApp, [&stirwellApp] {
        if (!stirwellApp.appDelegate().requestUserQuit())
            QTextStream(stdout) << "quit refused: a break is due or under way" << Qt::endl;
    });

    stirwellApp.launch();
    moments.print(QStringLiteral("Stirwell is running (time scale %1)").arg(*scale));
    return QCoreApplication::exec();
}
