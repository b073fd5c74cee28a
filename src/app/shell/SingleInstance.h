#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace stirwell {

// One Stirwell per user session: the first instance listens on a local
// socket in the runtime directory; a later launch tells it to come forward
// and exits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first; false when another one answered
    // and was handed `request` ("activate": come forward; "quit": the
    // user asks it to quit, through its quit guard).
    [[nodiscard]] bool claim(const QByteArray &request = QByteArrayLiteral("activate"));
    [[nodiscard]] static QString socketPath();

signals:
    void activationRequested();
    void quitRequested();

private:
    QLocalServer *m_server = nullptr;
};

} // namespace stirwell
