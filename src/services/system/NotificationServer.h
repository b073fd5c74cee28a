#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace stirwell {

// One notification as handed to the desktop's notification server.
struct NotificationRequest {
    QString title;
    QString body;
    // The server's id of the notification this one replaces; 0 for a new one.
    uint replacesId = 0;
    // The server's usual notification sound, or none.
    bool withSound = false;
};

// The desktop's notification server, as NotificationService needs it.
// Replies arrive later on the main thread, at most once each; they may not
// arrive at all when the service is destroyed first.
class NotificationServer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Shows the notification; `reply` gets the server's id for it, or nothing
    // when the server did not take it.
    virtual void notify(const NotificationRequest &request, std::function<void(std::optional<uint> id)> reply) = 0;
    // Whether a notification server answers.
    virtual void checkAvailable(std::function<void(bool available)> reply) = 0;

Q_SIGNALS:
    // The notification with this id is gone (expired, dismissed, closed).
    void notificationClosed(uint id);
    // The server was replaced, went away or appeared: earlier ids mean nothing now.
    void serverChanged();
};

} // namespace stirwell
