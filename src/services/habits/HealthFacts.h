#pragma once

#include "services/habits/RandomSource.h"

#include <QString>
#include <QStringList>

namespace stirwell {

// The two fixed lists of health statements: phrases typed to confirm a
// fourth skip of the day, and statements the break screen shows while it
// nudges. Each pick is a uniform choice from the injected random source.
class HealthFacts {
public:
    explicit HealthFacts(RandomSource random);

    // The eight phrases a fourth-tier skip asks the user to type.
    [[nodiscard]] static const QStringList &typingFacts();
    // The six statements shown while the break screen nudges.
    [[nodiscard]] static const QStringList &displayFacts();

    [[nodiscard]] QString randomTyping() const;
    [[nodiscard]] QString randomDisplay() const;

private:
    [[nodiscard]] QString pick(const QStringList &list) const;

    RandomSource m_random;
};

} // namespace stirwell
