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
    // (and has been asked to come forward).
    [[nodiscard]] bool claim();
    [[nodiscard]] static QString socketPath();

signals:
    void activationRequested();

private:
    QLocalServer *m_server = nullptr;
};

} // namespace stirwell
