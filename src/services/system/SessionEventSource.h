#pragma once

#include <QObject>
#include <QString>

namespace stirwell {

// Raw power and lock facts of the desktop session, as the system reports
// them: several reporters may tell the same lock (the login manager and one
// or more screensavers), each possibly more than once. SleepWakeObserver
// turns them into clean transitions.
class SessionEventSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Begins reporting. Reporters whose state is known at once (a session
    // that is already locked) report it shortly after.
    virtual void start() = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    // true just before the machine sleeps, false once it has woken.
    void sleepPrepared(bool goingToSleep);
    // `origin` names the reporter ("logind", "org.gnome.ScreenSaver", ...);
    // its latest report is its current view of the lock.
    void lockReported(const QString &origin, bool locked);
};

} // namespace stirwell
