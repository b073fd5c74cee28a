#pragma once

#include "platform/linux/browsers/SessionSummary.h"

#include <QByteArray>

namespace stirwell {

// Reads Firefox's session store (sessionstore-backups/recovery.jsonlz4 and
// its siblings, shared by the Firefox forks) in memory.
namespace FirefoxSessionStore {

// `file`: the compressed file as read from disk.
[[nodiscard]] SessionSummary summarise(const QByteArray &file, const SessionAddressPredicate &predicate);
// `json`: the decompressed session JSON.
[[nodiscard]] SessionSummary summariseJson(const QByteArray &json, const SessionAddressPredicate &predicate);

} // namespace FirefoxSessionStore

} // namespace stirwell
