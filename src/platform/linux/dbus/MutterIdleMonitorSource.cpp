#include "platform/linux/dbus/MutterIdleMonitorSource.h"

#include "runtime/Runtime.h"
#include "services/system/PipelinedIdleQuery.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace stirwell {

namespace {
const QString kService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString kInterface = QStringLiteral("org.gnome.Mutter.IdleMonitor");
} // namespace

MutterIdleMonitorSource::MutterIdleMonitorSource(const Runtime &runtime, QDBusConnection sessionBus)
    : m_runtime(runtime)
    , m_bus(std::move(sessionBus))
{
}

bool MutterIdleMonitorSource::probe()
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return false;
    if (!m_bus.interface()->isServiceRegistered(kService).value())
        return false;
    return idleSeconds().has_value();
}

QDBusPendingCall MutterIdleMonitorSource::send()
{
    const QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetIdletime"));
    return m_bus.asyncCall(call, kCallTimeoutMs);
}

std::optional<double> MutterIdleMonitorSource::answerOf(QDBusPendingCall &call)
{
    call.waitForFinished();
    const QDBusMessage reply = call.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return std::nullopt;
    bool ok = false;
    const qulonglong milliseconds = reply.arguments().constFirst().toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return static_cast<double>(milliseconds) / 1000.0;
}

std::optional<double> MutterIdleMonitorSource::idleSeconds()
{
    std::lock_guard lock(m_mutex);
    const double now = m_runtime.monotonic();
    std::optional<double> answer;
    switch (PipelinedIdleQuery::next(m_pending.has_value(), m_lastAnswer.has_value(), now - m_pendingSentAt)) {
    case PipelinedIdleQuery::Step::shareLastAnswer:
        return m_lastAnswer;
    case PipelinedIdleQuery::Step::takePendingReply:
        answer = answerOf(*m_pending);
        break;
    case PipelinedIdleQuery::Step::askAfresh: {
        QDBusPendingCall fresh = send();
        answer = answerOf(fresh);
        break;
    }
    }
    m_lastAnswer = answer;
    // Without an answer there is nobody to ask next time either: the next
    // query asks afresh rather than trusting a request sent into the void.
    if (answer) {
        m_pending = send();
        m_pendingSentAt = now;
    } else {
        m_pending.reset();
    }
    return answer;
}

} // namespace stirwell
