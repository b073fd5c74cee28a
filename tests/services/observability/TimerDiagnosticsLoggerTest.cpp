#include "runtime/virtual/VirtualRuntime.h"
#include "services/observability/TimerDiagnosticsLogger.h"
#include "services/storage/PreferencesStore.h"
#include "support/TempXdg.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace stirwell;
using stirwell::test::readFile;
using stirwell::test::writeFile;

namespace {

// 2025-03-07T14:03:22Z
constexpr double kStart = 1741356202.0;

class TimerDiagnosticsLoggerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString logDir = dir.path() + QStringLiteral("/Stirwell");
    PreferencesStore preferences;
    VirtualRuntime runtime{kStart};
    TimerDiagnosticsLogger logger{preferences, runtime, logDir};

    QList<QByteArray> lines(const QString &path) const
    {
        QList<QByteArray> result = readFile(path).split('\n');
        if (!result.isEmpty() && result.last().isEmpty())
            result.removeLast();
        return result;
    }
    QList<QByteArray> lines() const { return lines(logger.logFilePath()); }
    static QJsonObject parse(const QByteArray &line) { return QJsonDocument::fromJson(line).object(); }
};

class Emitter final : public TimerDiagnosticEmitter {
public:
    using TimerDiagnosticEmitter::TimerDiagnosticEmitter;
    DiagnosticProperties context;
    DiagnosticProperties diagnosticContext() const override { return context; }
};

} // namespace

TEST_F(TimerDiagnosticsLoggerTest, WritesNothingUntilEnabled)
{
    logger.log(QStringLiteral("scheduler.tick"));
    EXPECT_FALSE(QFile::exists(logger.logFilePath()));

    logger.setEnabled(true);
    EXPECT_EQ(preferences.boolValue(TimerDiagnosticsLogger::kEnabledKey), true);
    ASSERT_EQ(lines().size(), 1);
    EXPECT_EQ(lines()[0], QByteArray(R"({"event":"timer_diagnostics.enabled","timestamp":"2025-03-07T14:03:22Z"})"));
}

TEST_F(TimerDiagnosticsLoggerTest, DisablingWritesItsOwnLineLast)
{
    logger.setEnabled(true);
    logger.setEnabled(false);
    logger.log(QStringLiteral("scheduler.tick"));
    ASSERT_EQ(lines().size(), 2);
    EXPECT_EQ(parse(lines()[1]).value(QStringLiteral("event")).toString(), QStringLiteral("timer_diagnostics.disabled"));
}

TEST_F(TimerDiagnosticsLoggerTest, WrongTypedFlagMeansOff)
{
    preferences.setString(TimerDiagnosticsLogger::kEnabledKey, QStringLiteral("true"));
    EXPECT_FALSE(logger.isEnabled());
}

TEST_F(TimerDiagnosticsLoggerTest, ClearLeavesNothingWhenOffAndOneLineWhenOn)
{
    logger.setEnabled(true);
    logger.log(QStringLiteral("a"));
    writeFile(logger.previousLogFilePath(), "old\n");
    preferences.setBool(TimerDiagnosticsLogger::kEnabledKey, false);
    logger.clear();
    EXPECT_FALSE(QFile::exists(logger.logFilePath()));
    EXPECT_FALSE(QFile::exists(logger.previousLogFilePath()));

    logger.setEnabled(true);
    logger.log(QStringLiteral("b"));
    logger.clear();
    ASSERT_EQ(lines().size(), 1);
    EXPECT_EQ(parse(lines()[0]).value(QStringLiteral("event")).toString(), QStringLiteral("timer_diagnostics.cleared"));
}

TEST_F(TimerDiagnosticsLoggerTest, RotatesAtExactlyFiveMillionBytes)
{
    preferences.setBool(TimerDiagnosticsLogger::kEnabledKey, true);
    QDir().mkpath(logDir);

    // One byte short: appended.
    writeFile(logger.logFilePath(), QByteArray(TimerDiagnosticsLogger::kMaxLogBytes - 1, 'x'));
    logger.log(QStringLiteral("appended"));
    EXPECT_FALSE(QFile::exists(logger.previousLogFilePath()));
    EXPECT_GT(QFileInfo(logger.logFilePath()).size(), TimerDiagnosticsLogger::kMaxLogBytes);

    // At the limit: the log becomes the previous one (replacing an older
    // previous log) and the record starts a new log.
    writeFile(logger.previousLogFilePath(), "older\n");
    writeFile(logger.logFilePath(), QByteArray(TimerDiagnosticsLogger::kMaxLogBytes, 'y'));
    logger.log(QStringLiteral("rotated"));
    EXPECT_EQ(QFileInfo(logger.previousLogFilePath()).size(), TimerDiagnosticsLogger::kMaxLogBytes);
    ASSERT_EQ(lines().size(), 1);
    EXPECT_EQ(parse(lines()[0]).value(QStringLiteral("event")).toString(), QStringLiteral("rotated"));
}

TEST_F(TimerDiagnosticsLoggerTest, EmitterContextMergesUnderTheCallsProperties)
{
    preferences.setBool(TimerDiagnosticsLogger::kEnabledKey, true);
    Emitter emitter(&logger);
    emitter.context = {{QStringLiteral("state"), QStringLiteral("paused")}, {QStringLiteral("mode"), QStringLiteral("normal")}};
    runtime.advance(61);
    emitter.logTimerDiagnostic(QStringLiteral("scheduler.transition"), {{QStringLiteral("state"), QStringLiteral("counting")}});
    ASSERT_EQ(lines().size(), 1);
    // Compact, keys sorted.
    EXPECT_EQ(lines()[0], QByteArray(R"({"event":"scheduler.transition","mode":"normal","state":"counting","timestamp":"2025-03-07T14:04:23Z"})"));
}

TEST_F(TimerDiagnosticsLoggerTest, PropertiesMayReplaceTimestampAndEvent)
{
    preferences.setBool(TimerDiagnosticsLogger::kEnabledKey, true);
    logger.log(QStringLiteral("x"), {{QStringLiteral("event"), QStringLiteral("y")}, {QStringLiteral("timestamp"), QStringLiteral("t")}});
    EXPECT_EQ(lines()[0], QByteArray(R"({"event":"y","timestamp":"t"})"));
}

TEST_F(TimerDiagnosticsLoggerTest, AnUnwritableDirectoryLosesTheRecordQuietly)
{
    writeFile(dir.path() + QStringLiteral("/file"), "not a directory");
    TimerDiagnosticsLogger blocked(preferences, runtime, dir.path() + QStringLiteral("/file/Stirwell"));
    preferences.setBool(TimerDiagnosticsLogger::kEnabledKey, true);
    blocked.log(QStringLiteral("lost"));
    EXPECT_FALSE(QFile::exists(blocked.logFilePath()));
}
