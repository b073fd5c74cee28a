#pragma once

#include "services/ports/BreakNotifications.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace stirwell {

class NotificationServer;
class PreferencesStore;
class Runtime;

// Stirwell's desktop notifications, each under a fixed identifier: a new
// notification with an identifier replaces the one shown under it before.
// Nothing is posted while `hasPermission()` is false, that is until a
// notification server has answered.
class NotificationService : public QObject, public BreakNotifications {
    Q_OBJECT
public:
    static inline const QString kWindDownKey = QStringLiteral("lastWindDownNudgeDate");

    NotificationService(NotificationServer &server, PreferencesStore &preferences, const Runtime &runtime,
                        QObject *parent = nullptr);

    // Asks whether a notification server answers and sets `hasPermission`
    // accordingly; `done` (optional) gets the answer. Asked again by itself
    // whenever the server changes.
    void requestPermission(std::function<void(bool granted)> done = {});
    [[nodiscard]] bool hasPermission() const { return m_hasPermission; }

    void sendBreakReminder(BreakType breakType) override;
    void sendMicroBreakNudge() override;
    void sendWalkingMeetingSuggestion(const QString &eventTitle) override;
    // Posts once per local day, and only in the evening period; the day is
    // remembered under "lastWindDownNudgeDate".
    void sendWindDownNudgeIfNeeded() override;
    void sendNaturalBreakDetected(int awayMinutes) override;

    // The texts and identifiers, for those who show the same words elsewhere.
    [[nodiscard]] static QString breakReminderIdentifier(BreakType breakType);
    [[nodiscard]] static QString breakReminderTitle(BreakType breakType);
    [[nodiscard]] static QString breakReminderBody(BreakType breakType);

Q_SIGNALS:
    void permissionChanged(bool granted);

private:
    struct Content {
        QString title;
        QString body;
        bool withSound = false;
    };

    void post(const QString &identifier, Content content);
    void send(const QString &identifier, const Content &content);
    void handleReply(const QString &identifier, quint64 generation, std::optional<uint> id);
    void setPermission(bool granted);
    void forgetServerIds();

    NotificationServer &m_server;
    PreferencesStore &m_preferences;
    const Runtime &m_runtime;
    bool m_hasPermission = false;
    // Identifier -> the server's id of what is shown under it.
    QHash<QString, uint> m_serverIds;
    // Identifiers whose notification awaits the server's id, and the newest
    // content posted under them meanwhile (sent once the id is known, so that
    // it replaces rather than doubles the first).
    QHash<QString, std::optional<Content>> m_inFlight;
    // Bumped when the server changes, so that late replies of the old one are
    // not taken for ids of the new one.
    quint64 m_serverGeneration = 0;
    // Replies that arrive after this service is gone find it expired.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace stirwell
