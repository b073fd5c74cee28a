#include "platform/linux/dbus/LogindScreenSaverEventSource.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <array>

namespace stirwell {

namespace {
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kLockedHint = QStringLiteral("LockedHint");
constexpr int kCallTimeoutMs = 5000;

struct ScreenSaverPath {
    const char *interface;
    const char *path;
};
// KDE emits on both freedesktop paths; GNOME's own interface is the one that
// signals there (its freedesktop name never does).
constexpr std::array<ScreenSaverPath, 6> kScreenSavers = {{
    {"org.freedesktop.ScreenSaver", "/ScreenSaver"},
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"},
    {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"},
    {"org.cinnamon.ScreenSaver", "/org/cinnamon/ScreenSaver"},
    {"org.mate.ScreenSaver", "/org/mate/ScreenSaver"},
    {"org.xfce.ScreenSaver", "/org/xfce/ScreenSaver"},
}};
} // namespace

LogindScreenSaverEventSource::LogindScreenSaverEventSource(QDBusConnection systemBus, QDBusConnection sessionBus,
                                                           QObject *parent)
    : SessionEventSource(parent)
    , m_system(std::move(systemBus))
    , m_session(std::move(sessionBus))
{
}

LogindScreenSaverEventSource::~LogindScreenSaverEventSource()
{
    disconnectAll();
}

void LogindScreenSaverEventSource::start()
{
    if (m_started)
        return;
    m_started = true;
    m_system.connect(kLogind, kManagerPath, kManager, QStringLiteral("PrepareForSleep"), this,
                     SLOT(onPrepareForSleep(bool)));
    for (const ScreenSaverPath &saver : kScreenSavers) {
        m_session.connect(QString(), QString::fromLatin1(saver.path), QString::fromLatin1(saver.interface),
                          QStringLiteral("ActiveChanged"), this,
                          SLOT(onScreenSaverActiveChanged(bool, QDBusMessage)));
    }
    // A screensaver that goes away (crashed, desktop restarted) holds no lock;
    // without this its last "active" would keep the session locked for good.
    // Each one owns the bus name of its interface.
    m_saverWatcher = new QDBusServiceWatcher(this);
    m_saverWatcher->setConnection(m_session);
    m_saverWatcher->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    for (const ScreenSaverPath &saver : kScreenSavers) {
        const QString service = QString::fromLatin1(saver.interface);
        if (!m_saverWatcher->watchedServices().contains(service))
            m_saverWatcher->addWatchedService(service);
    }
    connect(m_saverWatcher, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString &service) {
        if (m_activeSavers.remove(service))
            Q_EMIT lockReported(service, false);
    });

    // "auto": our own session, or the user's display session when we run
    // outside one (started by the user's service manager).
    QDBusMessage call = QDBusMessage::createMethodCall(kLogind, kManagerPath, kManager, QStringLiteral("GetSession"));
    call << QStringLiteral("auto");
    auto *watcher = new QDBusPendingCallWatcher(m_system.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, generation = m_generation] {
                watcher->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
                if (generation != m_generation || reply.isError())
                    return;
                followSession(reply.value().path());
            });
}

void LogindScreenSaverEventSource::stop()
{
    if (!m_started)
        return;
    m_started = false;
    ++m_generation;
    disconnectAll();
    m_sessionPath.clear();
    m_activeSavers.clear();
    delete m_saverWatcher;
    m_saverWatcher = nullptr;
}

void LogindScreenSaverEventSource::disconnectAll()
{
    m_system.disconnect(kLogind, kManagerPath, kManager, QStringLiteral("PrepareForSleep"), this,
                        SLOT(onPrepareForSleep(bool)));
    for (const ScreenSaverPath &saver : kScreenSavers) {
        m_session.disconnect(QString(), QString::fromLatin1(saver.path), QString::fromLatin1(saver.interface),
                             QStringLiteral("ActiveChanged"), this,
                             SLOT(onScreenSaverActiveChanged(bool, QDBusMessage)));
    }
    if (!m_sessionPath.isEmpty()) {
        m_system.disconnect(kLogind, m_sessionPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                            SLOT(onSessionPropertiesChanged(QString, QVariantMap, QStringList)));
    }
}

void LogindScreenSaverEventSource::followSession(const QString &path)
{
    m_sessionPath = path;
    m_system.connect(kLogind, path, kProperties, QStringLiteral("PropertiesChanged"), this,
                     SLOT(onSessionPropertiesChanged(QString, QVariantMap, QStringList)));
    // A session that is locked already when we start is reported as such.
    readLockedHint();
}

void LogindScreenSaverEventSource::readLockedHint()
{
    QDBusMessage call = QDBusMessage::createMethodCall(kLogind, m_sessionPath, kProperties, QStringLiteral("Get"));
    call << kSession << kLockedHint;
    auto *watcher = new QDBusPendingCallWatcher(m_system.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, generation = m_generation] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *watcher;
        if (generation != m_generation || reply.isError())
            return;
        const QVariant value = reply.value().variant();
        if (value.typeId() == QMetaType::Bool)
            Q_EMIT lockReported(QStringLiteral("logind"), value.toBool());
    });
}

void LogindScreenSaverEventSource::onPrepareForSleep(bool goingToSleep)
{
    Q_EMIT sleepPrepared(goingToSleep);
}

void LogindScreenSaverEventSource::onSessionPropertiesChanged(const QString &interface, const QVariantMap &changed,
                                                              const QStringList &invalidated)
{
    if (interface != kSession)
        return;
    const auto hint = changed.constFind(kLockedHint);
    if (hint != changed.constEnd() && hint->typeId() == QMetaType::Bool)
        Q_EMIT lockReported(QStringLiteral("logind"), hint->toBool());
    else if (invalidated.contains(kLockedHint))
        readLockedHint();
}

void LogindScreenSaverEventSource::onScreenSaverActiveChanged(bool active, const QDBusMessage &message)
{
    if (active)
        m_activeSavers.insert(message.interface());
    else
        m_activeSavers.remove(message.interface());
    Q_EMIT lockReported(message.interface(), active);
}

} // namespace stirwell
