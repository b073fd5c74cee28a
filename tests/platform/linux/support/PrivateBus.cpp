#include "support/PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QUuid>

namespace stirwell::test {

namespace {
constexpr int kStartTimeoutMs = 10000;

QString python()
{
    // The system interpreter, which has python-dbusmock (not a user's own Python).
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                : QStringLiteral("python3");
}
} // namespace

QDBusArgument &operator<<(QDBusArgument &argument, const MockMethod &method)
{
    argument.beginStructure();
    argument << method.name << method.inSignature << method.outSignature << method.code;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, MockMethod &method)
{
    argument.beginStructure();
    argument >> method.name >> method.inSignature >> method.outSignature >> method.code;
    argument.endStructure();
    return argument;
}

QVariant mockMethods(const QList<MockMethod> &methods)
{
    qDBusRegisterMetaType<MockMethod>();
    qDBusRegisterMetaType<QList<MockMethod>>();
    return QVariant::fromValue(methods);
}

bool waitFor(const std::function<bool()> &predicate, int timeoutMs)
{
    return QTest::qWaitFor(predicate, timeoutMs);
}

PrivateBus::PrivateBus()
{
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write the bus configuration");
        return;
    }
    file.write(QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)")
                   .arg(m_dir.path())
                   .toUtf8());
    file.close();

    m_daemon.setProgram(QStringLiteral("dbus-daemon"));
    m_daemon.setArguments({QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                           QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
    m_daemon.start();
    if (!m_daemon.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("dbus-daemon does not start: ") + m_daemon.errorString();
        return;
    }
    while (!m_daemon.canReadLine()) {
        if (!m_daemon.waitForReadyRead(kStartTimeoutMs)) {
            m_error = QStringLiteral("dbus-daemon prints no address");
            return;
        }
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    m_connectionName = QStringLiteral("stirwell-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!QDBusConnection::connectToBus(m_address, m_connectionName).isConnected())
        m_error = QStringLiteral("cannot connect to the private bus at ") + m_address;
}

PrivateBus::~PrivateBus()
{
    if (!m_connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(3000))
            m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }
}

QDBusConnection PrivateBus::connection() const
{
    return QDBusConnection(m_connectionName);
}

DBusMock::DBusMock(const PrivateBus &bus, const QStringList &arguments, QString busName)
    : m_connection(bus.connection())
    , m_busName(std::move(busName))
{
    if (!bus.error().isEmpty()) {
        m_error = bus.error();
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Whichever bus the mock (or its template) picks, it is this one.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), bus.address());
    m_process.setProcessEnvironment(environment);
    m_process.setProgram(python());
    m_process.setArguments(QStringList{QStringLiteral("-m"), QStringLiteral("dbusmock")} + arguments);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.start();
    if (!m_process.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("python-dbusmock does not start: ") + m_process.errorString();
        return;
    }
    const bool owned = waitFor(
        [this] {
            return m_process.state() == QProcess::Running
                   && m_connection.interface()->isServiceRegistered(m_busName).value();
        },
        kStartTimeoutMs);
    if (!owned)
        m_error = QStringLiteral("python-dbusmock did not take ") + m_busName;
}

DBusMock::~DBusMock()
{
    kill();
}

void DBusMock::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(3000);
}

QDBusMessage DBusMock::call(const QString &path, const QString &interface, const QString &method,
                            const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(m_busName, path, interface, method);
    message.setArguments(arguments);
    return m_connection.call(message, QDBus::Block, 5000);
}

QDBusMessage DBusMock::mock(const QString &path, const QString &method, const QVariantList &arguments)
{
    return call(path, QStringLiteral("org.freedesktop.DBus.Mock"), method, arguments);
}

} // namespace stirwell::test
