#pragma once

#include <QByteArray>
#include <QUrl>

#include <functional>

namespace stirwell {

// One-way HTTP for the outbound services: a POST with a JSON body. Returns
// at once; `done` (optional) runs later on the caller's thread with whether
// the server answered with a 2xx status. Failures are never thrown.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual void postJson(const QUrl &url, const QByteArray &body, std::function<void(bool ok)> done = {}) = 0;
};

} // namespace stirwell
