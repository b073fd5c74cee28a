#pragma once

#include <QRandomGenerator>

#include <functional>

namespace stirwell {

// A uniform choice among `bound` possibilities: returns 0 ... bound - 1.
// Called only with bound >= 1. Services that choose at random take one of
// these, so a seeded generator fixes every choice they make.
using RandomSource = std::function<int(int bound)>;

// Draws from `generator`, which must outlive every copy of the result.
[[nodiscard]] inline RandomSource randomSourceFrom(QRandomGenerator &generator)
{
    return [&generator](int bound) { return static_cast<int>(generator.bounded(bound)); };
}

// The system's securely seeded generator, for the application.
[[nodiscard]] inline RandomSource systemRandomSource()
{
    return randomSourceFrom(*QRandomGenerator::global());
}

} // namespace stirwell
