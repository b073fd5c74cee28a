// GLib first: Qt's keyword macros (signals, slots) would clash with its headers.
#include <gio/gio.h>

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

#include <algorithm>
#include <memory>

namespace stirwell {
namespace {

// A private session bus whose activated EDS services see only a temporary
// home with one local calendar. The whole process uses this bus: the test
// binary holds no other test.
//
// GDBus's shared session connection raises SIGTERM in the process when its
// bus goes away (exit-on-close). libedataserver opens that connection on a
// thread whose main loop runs, so stopping the bus at the end of the test
// would kill the binary a moment after the test passed. start() opens the
// connection first and turns exit-on-close off: stopping the bus, or the bus
// dying early, then ends or fails the test, never the binary.
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
        test::writeFile(data + QStringLiteral("/evolution/calendar/test-cal/calendar.ics"), kCalendar);
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
        // The bus and the services it starts write into a file: a pipe that
        // nobody drains would block them once full, and closing it would end
        // them with SIGPIPE.
        m_log = root + QStringLiteral("/bus.log");
        m_bus.setStandardOutputFile(m_log);
        m_bus.setStandardErrorFile(m_log, QIODevice::Append);
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!m_bus.waitForStarted(5000)) {
            why = QStringLiteral("the private session bus did not start: %1").arg(m_bus.errorString());
            return false;
        }
        QByteArray address;
        QElapsedTimer waited;
        waited.start();
        while (address.isEmpty() && waited.elapsed() < 5000 && m_bus.state() == QProcess::Running) {
            const QByteArray log = test::readFile(m_log);
            if (const qsizetype newline = log.indexOf('\n'); newline > 0 && log.startsWith("unix:"))
                address = log.left(newline).trimmed();
            else
                QThread::msleep(20);
        }
        if (address.isEmpty()) {
            why = QStringLiteral("the private session bus gave no address within 5 s: %1").arg(logText());
            return false;
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        GError *error = nullptr;
        GDBusConnection *connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        if (!connection) {
            why = QStringLiteral("cannot connect to the private session bus: %1")
                      .arg(QString::fromUtf8(error ? error->message : "unknown error"));
            g_clear_error(&error);
            return false;
        }
        g_dbus_connection_set_exit_on_close(connection, FALSE);
        m_connection.reset(connection);
        return true;
    }

    // What the bus and EDS wrote, for failure messages.
    [[nodiscard]] QString logText() const { return QString::fromUtf8(test::readFile(m_log)).trimmed(); }

    ~PrivateEds()
    {
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.terminate();
            m_bus.waitForFinished(3000);
        }
    }

private:
    static constexpr const char *kCalendar = R"(BEGIN:VCALENDAR
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
)";

    struct ConnectionDeleter {
        void operator()(GDBusConnection *connection) const { g_object_unref(connection); }
    };

    QTemporaryDir m_dir;
    QString m_log;
    QProcess m_bus;
    std::unique_ptr<GDBusConnection, ConnectionDeleter> m_connection;
};

double utc(int y, int mo, int d, int h, int mi)
{
    return double(QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone::utc()).toSecsSinceEpoch());
}

TEST(EvolutionCalendarStoreTest, ReadsExpandedOccurrencesOfALocalCalendar)
{
    PrivateEds eds;
    QString why;
    if (!eds.start(why))
        GTEST_SKIP() << why.toStdString();

    // The registry and the calendar backend are started by the bus on first
    // use, which takes a few seconds; a calendar not open within the connect
    // timeout is tried again on the next read. All within a bounded time,
    // generous because the machine may be busy.
    EvolutionCalendarStore store(1);
    QElapsedTimer waited;
    waited.start();
    bool registryReached = false;
    QList<CalendarEvent> events;
    while (waited.elapsed() < 30000) {
        if (store.requestAccess()) {
            registryReached = true;
            events = store.eventsBetween(utc(2024, 6, 1, 0, 0), utc(2024, 6, 30, 0, 0), QTimeZone::utc());
            if (!events.isEmpty())
                break;
        }
        QThread::msleep(200);
    }
    if (!registryReached)
        GTEST_SKIP() << "evolution-source-registry did not answer on the private bus within 30 s; bus log:\n"
                     << eds.logText().toStdString();
    ASSERT_FALSE(events.isEmpty()) << "the registry answered but the test calendar gave no events within 30 s; "
                                      "bus log:\n"
                                   << eds.logText().toStdString();

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
