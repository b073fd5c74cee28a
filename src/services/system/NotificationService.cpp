#include "services/system/NotificationService.h"

#include "models/CircadianPeriod.h"
#include "runtime/Runtime.h"
#include "services/system/NotificationServer.h"
#include "services/system/OncePerTokenGate.h"


namespace stirwell {

NotificationService::NotificationService(NotificationServer &server, PreferencesStore &preferences,
                                         const Runtime &runtime, QObject *parent)
    : QObject(parent)
    , m_server(server)
    , m_preferences(preferences)
    , m_runtime(runtime)
{
    connect(&m_server, &NotificationServer::notificationClosed, this, [this](uint id) {
        for (auto it = m_serverIds.begin(); it != m_serverIds.end();) {
            if (it.value() == id)
                it = m_serverIds.erase(it);
            else
                ++it;
        }
    });
    connect(&m_server, &NotificationServer::serverChanged, this, [this] {
        // A restarted server hands out ids afresh; ours would replace strangers.
        forgetServerIds();
        requestPermission();
    });
}

void NotificationService::requestPermission(std::function<void(bool granted)> done)
{
    m_server.checkAvailable([this, alive = std::weak_ptr<int>(m_lifetime), done = std::move(done)](bool available) {
        if (!alive.expired())
            setPermission(available);
        if (done)
            done(available);
    });
}

void NotificationService::setPermission(bool granted)
{
    if (granted == m_hasPermission)
        return;
    m_hasPermission = granted;
    Q_EMIT permissionChanged(granted);
}

void NotificationService::forgetServerIds()
{
    m_serverIds.clear();
    ++m_serverGeneration;
}

QString NotificationService::breakReminderIdentifier(BreakType breakType)
{
    return QStringLiteral("stirwell-break-") + rawValue(breakType);
}

QString NotificationService::breakReminderTitle(BreakType breakType)
{
    switch (breakType) {
    case BreakType::micro:
        return QStringLiteral("Eye Break");
    case BreakType::movement:
        return QStringLiteral("Movement");
    case BreakType::exerciseSnack:
        return QStringLiteral("Exercise Snack");
    case BreakType::extended:
        return QStringLiteral("Extended Break");
    }
    return {};
}

QString NotificationService::breakReminderBody(BreakType breakType)
{
    switch (breakType) {
    case BreakType::micro:
        return QStringLiteral("Look at something 20 feet away");
    case BreakType::movement:
        return QStringLiteral("Stand up, stretch, and move around");
    case BreakType::exerciseSnack:
        return QStringLiteral("Quick vigorous movement — squats, stairs, or jumping jacks");
    case BreakType::extended:
        return QStringLiteral("Walk outside, hydrate, and reset");
    }
    return {};
}

void NotificationService::sendBreakReminder(BreakType breakType)
{
    post(breakReminderIdentifier(breakType), {breakReminderTitle(breakType), breakReminderBody(breakType), true});
}

void NotificationService::sendMicroBreakNudge()
{
    post(QStringLiteral("stirwell-micro"),
         {QStringLiteral("👀 Eye Break"), QStringLiteral("Look at something 20 feet away for 20 seconds"), true});
}

void NotificationService::sendWalkingMeetingSuggestion(const QString &eventTitle)
{
    post(QStringLiteral("stirwell-walking-meeting"),
         {QStringLiteral("Walking Meeting?"),
          QStringLiteral("\"") + eventTitle + QStringLiteral("\" is a 1:1 — consider a phone + walk"), true});
}

void NotificationService::sendWindDownNudgeIfNeeded()
{
    if (!m_hasPermission)
        return;
    const double now = m_runtime.now();
    const LocalCalendar &calendar = m_runtime.calendar();
    // Outside the evening the day's note stays unclaimed, so that the first
    // evening opening still gets it.
    if (!showWindDown(circadianPeriodForHour(calendar.hourOfDay(now))))
        return;
    OncePerTokenGate gate(kWindDownKey, m_preferences);
    if (!gate.claim(OncePerTokenGate::dayToken(now, calendar)))
        return;
    post(QStringLiteral("stirwell-wind-down"),
         {QStringLiteral("Evening Mode"), QStringLiteral("Breaks slow down now. Consider wrapping up."), false});
}

void NotificationService::sendNaturalBreakDetected(int awayMinutes)
{
    post(QStringLiteral("stirwell-natural-break"),
         {QStringLiteral("Natural Break Detected"),
          QStringLiteral("You were away for %1 min — timer reset").arg(awayMinutes), false});
}

void NotificationService::post(const QString &identifier, Content content)
{
    if (!m_hasPermission)
        return;
    auto inFlight = m_inFlight.find(identifier);
    if (inFlight != m_inFlight.end()) {
        inFlight.value() = std::move(content);
        return;
    }
    send(identifier, content);
}

void NotificationService::send(const QString &identifier, const Content &content)
{
    m_inFlight.insert(identifier, std::nullopt);
    NotificationRequest request{content.title, content.body, m_serverIds.value(identifier, 0), content.withSound};
    m_server.notify(request, [this, alive = std::weak_ptr<int>(m_lifetime), identifier,
                              generation = m_serverGeneration](std::optional<uint> id) {
        if (!alive.expired())
            handleReply(identifier, generation, id);
    });
}

void NotificationService::handleReply(const QString &identifier, quint64 generation, std::optional<uint> id)
{
    if (id && *id != 0 && generation == m_serverGeneration)
        m_serverIds.insert(identifier, *id);
    const std::optional<Content> next = m_inFlight.take(identifier);
    if (next && m_hasPermission)
        send(identifier, *next);
}

} // namespace stirwell
