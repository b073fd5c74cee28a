#pragma once

#include <QStringView>

#include <functional>

namespace stirwell {

// What one session file says about the addresses a predicate looks for. No
// address or title survives the parse: only these answers do.
struct SessionSummary {
    enum class Outcome {
        Ok,
        Malformed, // not a session file, or cut short before anything usable
        Encrypted, // sealed with a secret we do not have
    };
    Outcome outcome = Outcome::Malformed;
    bool activeTabMatches = false; // the selected tab of the active window
    bool anyTabMatches = false;    // the current page of any open tab
};

using SessionAddressPredicate = std::function<bool(QStringView address)>;

} // namespace stirwell
