#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

#include <functional>
#include <memory>

namespace stirwell::test {

// One method of dbusmock's AddObject/AddMethods: name, in and out
// signatures, Python code.
struct MockMethod {
    QString name;
    QString inSignature;
    QString outSignature;
    QString code;
};
QDBusArgument &operator<<(QDBusArgument &argument, const MockMethod &method);
const QDBusArgument &operator>>(const QDBusArgument &argument, MockMethod &method);
// The list as a D-Bus argument of type a(ssss).
[[nodiscard]] QVariant mockMethods(const QList<MockMethod> &methods);

// Runs the event loop until `predicate` holds or `timeoutMs` pass.
[[nodiscard]] bool waitFor(const std::function<bool()> &predicate, int timeoutMs = 5000);

// A private D-Bus daemon for one test, standing in for the session or the
// system bus. It activates no services: only what the test starts is there.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    // Empty when the daemon runs; otherwise why not.
    [[nodiscard]] const QString &error() const { return m_error; }
    [[nodiscard]] const QString &address() const { return m_address; }
    // A connection of this process to the bus.
    [[nodiscard]] QDBusConnection connection() const;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_connectionName;
    QString m_error;
};

// python-dbusmock serving on a private bus: `arguments` as given to
// `python3 -m dbusmock` (a template, or name, path and interface). Waits until
// `busName` is owned.
class DBusMock {
public:
    DBusMock(const PrivateBus &bus, const QStringList &arguments, QString busName);
    ~DBusMock();
    DBusMock(const DBusMock &) = delete;
    DBusMock &operator=(const DBusMock &) = delete;

    [[nodiscard]] const QString &error() const { return m_error; }
    [[nodiscard]] const QString &busName() const { return m_busName; }

    // A blocking call to the mock (5 s timeout); the reply, or an error message.
    QDBusMessage call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments = {});
    // A call on the mock's control interface org.freedesktop.DBus.Mock.
    QDBusMessage mock(const QString &path, const QString &method, const QVariantList &arguments = {});

    // Stops the mock (as a crashing server would go away).
    void kill();

private:
    QDBusConnection m_connection;
    QProcess m_process;
    QString m_busName;
    QString m_error;
};

} // namespace stirwell::test

Q_DECLARE_METATYPE(stirwell::test::MockMethod)
