#include "support/QtPrinters.h"

#include "platform/linux/calendar/EvolutionCalendarStore.h"
#include "support/TempXdg.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace stirwell {
namespace {

// A private session bus whose activated EDS services see only a temporary
// home with one local calendar. The whole process uses this bus: the test
// binary holds no other test.
class PrivateEds {
public:
    bool start(QString &why)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
            why = QStringLiteral("dbus-daemon is not installed");
            return false;
        }
        if (!QFile::exists(QStringLiteral("/usr/libexec/evolution-source-registry")) ||
            !QFile::exists(QStringLiteral("/usr/libexec/evolution-calendar-factory"))) {
            why = QStringLiteral("the Evolution Data Server services are not installed (package evolution-data-server)");
            return false;
        }
        const QString root = m_dir.path();
        const QString config = root + QStringLiteral("/config");
        const QString data = root + QStringLiteral("/data");
        test::writeFile(config + QStringLiteral("/evolution/sources/test-cal.source"),
                        "[Data Source]\nDisplayName=Test\nEnabled=true\nParent=local-stub\n\n"
                        "[Calendar]\nBackendName=local\nSelected=true\n");
        test::writeFile(data + QStringLiteral("/evolution/calendar/test-cal/calendar.ics"), R"(BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//Stirwell tests//EN
BEGIN:VEVENT
UID:eds-weekly@example.com
DTSTAMP:20240301T000000Z
DTSTART:20240604T090000Z
DTEND:20240604T093000Z
RRULE:FREQ=WEEKLY;COUNT=4
EXDATE:20240611T090000Z
SUMMARY:Planning
ATTENDEE:mailto:ann@example.com
ATTENDEE:mailto:bo@example.com
END:VEVENT
BEGIN:VEVENT
UID:eds-weekly@example.com
DTSTAMP:20240301T000000Z
RECURRENCE-ID:20240618T090000Z
DTSTART:20240618T130000Z
DTEND:20240618T133000Z
SUMMARY:Planning (moved)
END:VEVENT
END:VCALENDAR
)");
        QDir().mkpath(root + QStringLiteral("/run"));
        QFile::setPermissions(root + QStringLiteral("/run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                 QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), root);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("XDG_DATA_HOME"), data);
        env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/run"));
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        m_bus.setProcessEnvironment(env);
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!m_bus.waitForStarted(5000) || !m_bus.waitForReadyRead(5000)) {
            why = QStringLiteral("the private session bus did not start");
            return false;
        }
        const QByteArray address = m_bus.readLine().trimmed();
        if (address.isEmpty()) {
            why = QStringLiteral("the private session bus gave no address");
            return false;
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        return true;
    }

    ~PrivateEds()
    {
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.terminate();
            m_bus.waitForFinished(3000);
        }
    }

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
};

double utc(int y, int mo, int d, int h, int mi)
{
    return double(QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone::utc()).toSecsSinceEpoch());
}

// Disabled: under the private bus the process is ended by SIGTERM a few
// seconds in (GDBus ends a process whose session bus connection closes);
// the cause is not found yet. Run with --gtest_also_run_disabled_tests.
TEST(EvolutionCalendarStoreTest, DISABLED_ReadsExpandedOccurrencesOfALocalCalendar)
{
    PrivateEds eds;
    QString why;
    if (!eds.start(why))
        GTEST_SKIP() << why.toStdString();

    EvolutionCalendarStore store(1);
    // The registry and the calendar backend start on first use; give them a
    // bounded time.
    QList<CalendarEvent> events;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        if (store.requestAccess()) {
            events = store.eventsBetween(utc(2024, 6, 1, 0, 0), utc(2024, 6, 30, 0, 0), QTimeZone::utc());
            if (!events.isEmpty())
                break;
        }
        QThread::msleep(200);
    }
    if (events.isEmpty())
        GTEST_SKIP() << "EDS did not serve the test calendar within 20 s";

    std::sort(events.begin(), events.end(), [](const CalendarEvent &a, const CalendarEvent &b) { return a.start < b.start; });
    ASSERT_EQ(events.size(), 3) << "weekly x4, one excluded";
    EXPECT_EQ(events[0].start, utc(2024, 6, 4, 9, 0));
    EXPECT_EQ(events[0].end, utc(2024, 6, 4, 9, 30));
    EXPECT_EQ(events[0].title, QStringLiteral("Planning"));
    EXPECT_EQ(events[0].eventIdentifier, QStringLiteral("eds-weekly@example.com"));
    EXPECT_EQ(events[0].attendees,
              (QStringList{QStringLiteral("mailto:ann@example.com"), QStringLiteral("mailto:bo@example.com")}));
    EXPECT_FALSE(events[0].isAllDay);
    EXPECT_EQ(events[1].start, utc(2024, 6, 18, 13, 0));
    EXPECT_EQ(events[1].title, QStringLiteral("Planning (moved)"));
    EXPECT_EQ(events[2].start, utc(2024, 6, 25, 9, 0));
}

} // namespace
} // namespace stirwell
