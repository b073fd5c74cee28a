#include "support/QtPrinters.h"
#include "support/TempXdg.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct SimRun {
    int exitCode = -1;
    QString out;
    QString err;
};

SimRun runSim(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(STIRWELL_SIM), arguments);
    process.waitForFinished(60000);
    return SimRun{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
               QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QString scenario(const char *name)
{
    return QStringLiteral(STIRWELL_SCENARIOS_DIR "/") + QString::fromLatin1(name);
}

QString writeScenario(const QTemporaryDir &dir, const QByteArray &text)
{
    const QString path = dir.filePath(QStringLiteral("test.scenario"));
    stirwell::test::writeFile(path, text);
    return path;
}

class ExampleScenario : public ::testing::TestWithParam<const char *> {};

} // namespace

TEST_P(ExampleScenario, RunsToItsEndAndWritesTheApplicationsFiles)
{
    QTemporaryDir data;
    const SimRun run = runSim({QStringLiteral("--data-dir"), data.path(), QStringLiteral("--seed"), QStringLiteral("3"),
                            scenario(GetParam())});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral(" -> ")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("\ntoday ")));

    // The records file decodes and holds today's entry; every diagnostics
    // line is a JSON object.
    const QJsonObject records =
        QJsonDocument::fromJson(stirwell::test::readFile(data.filePath(QStringLiteral("daily-records.json")))).object();
    EXPECT_EQ(records.size(), 1);
    const QList<QByteArray> lines =
        stirwell::test::readFile(data.filePath(QStringLiteral("timer-diagnostics.jsonl"))).trimmed().split('\n');
    EXPECT_GT(lines.size(), 10);
    for (const QByteArray &line : lines)
        ASSERT_TRUE(QJsonDocument::fromJson(line).isObject()) << line.toStdString();

    // The same seed gives the same day.
    QTemporaryDir again;
    EXPECT_EQ(runSim({QStringLiteral("--data-dir"), again.path(), QStringLiteral("--seed"), QStringLiteral("3"),
                      scenario(GetParam())})
                  .out,
              run.out);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ExampleScenario,
                         ::testing::Values("ordinary-day.scenario", "meeting-day.scenario", "warrior-day.scenario"),
                         [](const ::testing::TestParamInfo<const char *> &p) {
                             std::string name = p.param;
                             return name.substr(0, name.find('-'));
                         });

TEST(Simulator, AnOrdinaryDayReadsAsOne)
{
    const SimRun run = runSim({QStringLiteral("--seed"), QStringLiteral("1"), scenario("ordinary-day.scenario")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char *expected : {
             "09:53:30 counting -> due movement 0s",           // 45 min, lengthened in the early morning
             "09:56:30 due -> nudge movement 120s",            // no pause in typing within 180 s
             "09:57:00 nudge -> counting movement 600s",       // snoozed for ten minutes
             "sound message",                                  // the nudge cue
             "notification \"Natural Break Detected\"",        // fifteen minutes away from the desk
             "12:30:00 ",                                      // screen locked over lunch ...
             " -> paused ",
             "13:15:00 paused -> counting",                    // ... and the countdown starts afresh
             "15:00:00 counting -> breakActive movement 180s", // a break started at once
             "dashboard upload 2026-06-02",
         })
        EXPECT_TRUE(run.out.contains(QString::fromUtf8(expected))) << expected << "\n" << run.out.toStdString();
}

TEST(Simulator, SkipsAreAttemptedAsTheBreakScreenWould)
{
    QTemporaryDir dir;
    const QString path = writeScenario(dir, R"(clock 2026-06-03T10:00:00 UTC
at 10:00:00 launch
at 10:48:00 skip           # the nudge came up at 10:48:00: the 8 s wait is not over
at +10 skip                # tier 1: no phrase needed
at 11:36:30 skip sure      # tier 2 (nudge at 11:36:10, 12 s wait) wants "skip"
at +1 skip skip
until 12:00:00
)");
    const SimRun run = runSim({QStringLiteral("--seed"), QStringLiteral("1"), path});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("10:48:00 skip refused: the 8 s wait is not over"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("10:48:10 nudge -> counting"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("11:36:30 skip refused: the phrase does not match")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("11:36:31 nudge -> counting")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("skipped 2")));
}

TEST(Simulator, BadInputExitsWithStatusTwoAndNamesTheLine)
{
    QTemporaryDir dir;
    const QString path = writeScenario(dir, "clock 2026-06-03T10:00:00 UTC\nat 10:00:00 launch\nat +5 jump\n");
    const SimRun bad = runSim({path});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains(path + QStringLiteral(":3:"))) << bad.err.toStdString();
    EXPECT_TRUE(bad.out.isEmpty());

    EXPECT_EQ(runSim({}).exitCode, 2);
    EXPECT_EQ(runSim({QStringLiteral("--seed"), QStringLiteral("x"), path}).exitCode, 2);
    EXPECT_EQ(runSim({QStringLiteral("--bogus"), path}).exitCode, 2);
    EXPECT_EQ(runSim({dir.filePath(QStringLiteral("missing.scenario"))}).exitCode, 2);
}
