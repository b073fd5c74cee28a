#include "services/habits/HealthFacts.h"

#include <algorithm>

namespace stirwell {

HealthFacts::HealthFacts(RandomSource random)
    : m_random(std::move(random))
{
}

const QStringList &HealthFacts::typingFacts()
{
    static const QStringList facts = {
        QStringLiteral("Sitting over 8 hours a day increases mortality 20 percent"),
        QStringLiteral("3 minutes of vigorous movement reduces cancer risk 40 percent"),
        QStringLiteral("Every hour of sitting shortens lifespan by 22 minutes"),
        QStringLiteral("Standing up every 30 minutes cuts heart disease risk in half"),
        QStringLiteral("A 5 minute walk every hour reverses arterial damage from sitting"),
        QStringLiteral("Sedentary adults lose 3 to 5 percent muscle mass per decade"),
        QStringLiteral("Regular movement breaks improve focus by 15 percent"),
        QStringLiteral("Prolonged sitting doubles the risk of type 2 diabetes"),
    };
    return facts;
}

const QStringList &HealthFacts::displayFacts()
{
    static const QStringList facts = {
        QStringLiteral("Research suggests 11+ hours of daily sitting is linked to ~48% higher mortality risk"),
        QStringLiteral("Studies link 8\u201311 hours of daily sitting to ~27% higher all-cause mortality"),
        QStringLiteral("Even 4\u20138 hours of daily sedentary time may raise mortality risk by ~12%"),
        QStringLiteral("Research suggests 60\u201375 minutes of daily movement can offset the risks of prolonged sitting"),
        QStringLiteral("Prolonged sitting suppresses lipoprotein lipase, the enzyme that clears fats from the blood"),
        QStringLiteral("Breaking up sitting every 30 minutes is associated with better insulin sensitivity"),
    };
    return facts;
}

QString HealthFacts::randomTyping() const
{
    return pick(typingFacts());
}

QString HealthFacts::randomDisplay() const
{
    return pick(displayFacts());
}

QString HealthFacts::pick(const QStringList &list) const
{
    const int count = static_cast<int>(list.size());
    // A source that answers out of range still yields a listed statement.
    return list.at(std::clamp(m_random(count), 0, count - 1));
}

} // namespace stirwell
