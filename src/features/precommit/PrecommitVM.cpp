#include "features/precommit/PrecommitVM.h"

#include "runtime/Runtime.h"
#include "services/storage/PreferencesStore.h"

#include <QVariantMap>

namespace stirwell {

PrecommitVM::PrecommitVM(PreferencesStore &preferences, const Runtime &runtime, ApplyMode applyMode,
                         QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_runtime(runtime)
    , m_applyMode(std::move(applyMode))
    , m_lockUntilHour(DailyCommitment::lockUntilHourPreference(preferences))
{
}

void PrecommitVM::setSelectedMode(CommitmentMode mode)
{
    if (mode == m_selectedMode)
        return;
    m_selectedMode = mode;
    Q_EMIT changed();
}

void PrecommitVM::setSelectedModeName(const QString &name)
{
    if (const std::optional<CommitmentMode> mode = fromRawValue<CommitmentMode>(name))
        setSelectedMode(*mode);
}

QVariantList PrecommitVM::modes() const
{
    QVariantList rows;
    for (const CommitmentMode mode : kAllCommitmentModes) {
        rows.append(QVariantMap{
            {QStringLiteral("mode"), rawValue(mode)},
            {QStringLiteral("title"), label(mode)},
            {QStringLiteral("icon"), icon(mode)},
            {QStringLiteral("description"), onboardingDescription(mode)},
            {QStringLiteral("selected"), mode == m_selectedMode},
        });
    }
    return rows;
}

bool PrecommitVM::isLocked() const
{
    return m_commitment && m_commitment->isLocked(m_runtime);
}

QString PrecommitVM::formatHour(int hour)
{
    if (hour >= 13)
        return QStringLiteral("%1 PM").arg(hour - 12);
    if (hour == 12)
        return QStringLiteral("12 PM");
    if (hour <= 0)
        return QStringLiteral("12 AM");
    return QStringLiteral("%1 AM").arg(hour);
}

QString PrecommitVM::lockLine() const
{
    return QStringLiteral("Locks in until ") + formatHour(m_lockUntilHour);
}

QString PrecommitVM::committedTitle() const
{
    return QStringLiteral("Committed to ") + label(m_commitment ? m_commitment->mode : m_selectedMode);
}

QString PrecommitVM::committedDescription() const
{
    return description(m_commitment ? m_commitment->mode : m_selectedMode);
}

QString PrecommitVM::lockedUntilLine() const
{
    if (!m_commitment)
        return {};
    return QStringLiteral("Locked until ") + formatHour(m_commitment->lockedUntilHour);
}

void PrecommitVM::loadToday()
{
    std::optional<DailyCommitment> stored = DailyCommitment::loadToday(m_preferences, m_runtime);
    if (!stored)
        return;
    m_selectedMode = stored->mode;
    m_commitment = std::move(stored);
    m_isCommitted = true;
    Q_EMIT changed();
}

void PrecommitVM::commit()
{
    DailyCommitment commitment;
    commitment.mode = m_selectedMode;
    commitment.date = DailyCommitment::todayString(m_runtime);
    commitment.lockedUntilHour = m_lockUntilHour;
    commitment.committedAt = m_runtime.now();
    DailyCommitment::save(commitment, m_preferences);
    m_commitment = commitment;
    m_isCommitted = true;
    Q_EMIT changed();
}

void PrecommitVM::startMyDay()
{
    commit();
    if (m_applyMode)
        m_applyMode(m_selectedMode);
    Q_EMIT closeRequested();
}

void PrecommitVM::close()
{
    Q_EMIT closeRequested();
}

} // namespace stirwell
