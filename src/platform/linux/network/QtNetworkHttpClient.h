#pragma once

#include "services/network/HttpClient.h"

#include <QObject>

class QNetworkAccessManager;

namespace stirwell {

// HttpClient over QNetworkAccessManager. Requests time out after
// `timeoutMs`; nothing is retried.
class QtNetworkHttpClient final : public QObject, public HttpClient {
    Q_OBJECT
public:
    explicit QtNetworkHttpClient(int timeoutMs = 15000, QObject *parent = nullptr);
    ~QtNetworkHttpClient() override;

    void postJson(const QUrl &url, const QByteArray &body, std::function<void(bool ok)> done = {}) override;

private:
    QNetworkAccessManager *m_manager; // child of this
    int m_timeoutMs;
};

} // namespace stirwell
