#include "platform/linux/network/QtNetworkHttpClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace stirwell {

QtNetworkHttpClient::QtNetworkHttpClient(int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
    , m_timeoutMs(timeoutMs)
{
}

QtNetworkHttpClient::~QtNetworkHttpClient() = default;

void QtNetworkHttpClient::postJson(const QUrl &url, const QByteArray &body, std::function<void(bool ok)> done)
{
    if (!url.isValid() || url.scheme().isEmpty()) {
        if (done)
            done(false);
        return;
    }
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setTransferTimeout(m_timeoutMs);
    QNetworkReply *reply = m_manager->post(request, body);
    connect(reply, &QNetworkReply::finished, this, [reply, done = std::move(done)] {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool ok = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
        reply->deleteLater();
        if (done)
            done(ok);
    });
}

} // namespace stirwell
