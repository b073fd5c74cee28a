#pragma once

#include "models/CommitmentMode.h"
#include "services/habits/DailyCommitment.h"

#include <QObject>
#include <QVariantList>

#include <functional>
#include <optional>

namespace stirwell {

class PreferencesStore;
class Runtime;

// The daily-commitment screen: pick today's mode and commit to it, or see
// the commitment while it is locked. Lives while the screen is shown.
//
// The screen shows the locked state (`showsLockedState`) while today's
// commitment is locked, i.e. until the local hour reaches its lock hour;
// otherwise it offers the three modes with the committed one preselected.
class PrecommitVM : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString selectedMode READ selectedModeName WRITE setSelectedModeName NOTIFY changed)
    Q_PROPERTY(QVariantList modes READ modes NOTIFY changed)
    Q_PROPERTY(bool isCommitted READ isCommitted NOTIFY changed)
    Q_PROPERTY(bool isLocked READ isLocked NOTIFY changed)
    Q_PROPERTY(bool showsLockedState READ showsLockedState NOTIFY changed)
    Q_PROPERTY(int lockUntilHour READ lockUntilHour NOTIFY changed)
    Q_PROPERTY(QString lockLine READ lockLine NOTIFY changed)
    Q_PROPERTY(QString committedTitle READ committedTitle NOTIFY changed)
    Q_PROPERTY(QString committedDescription READ committedDescription NOTIFY changed)
    Q_PROPERTY(QString lockedUntilLine READ lockedUntilLine NOTIFY changed)

public:
    // Icons of the screen, as symbol names.
    static inline const QString kHeaderIcon = QStringLiteral("sunrise.fill");
    static inline const QString kSelectedIcon = QStringLiteral("checkmark.circle.fill");
    static inline const QString kLockIcon = QStringLiteral("lock.fill");
    static inline const QString kLockedStateIcon = QStringLiteral("lock.shield.fill");

    // Called by "Start my day" with the committed mode, after the commitment
    // is stored: the application configures the scheduler with the mode and
    // starts it.
    using ApplyMode = std::function<void(CommitmentMode mode)>;

    // `preferences` and `runtime` must outlive this object. Reads
    // "lockUntilHour" (18 when missing or 0).
    PrecommitVM(PreferencesStore &preferences, const Runtime &runtime, ApplyMode applyMode,
                QObject *parent = nullptr);

    [[nodiscard]] CommitmentMode selectedMode() const { return m_selectedMode; }
    void setSelectedMode(CommitmentMode mode);
    [[nodiscard]] QString selectedModeName() const { return rawValue(m_selectedMode); }
    // Ignores text that names no mode.
    void setSelectedModeName(const QString &name);

    // One entry per mode, in order: "mode" (raw value), "title", "icon",
    // "description" (the onboarding description) and "selected".
    [[nodiscard]] QVariantList modes() const;

    [[nodiscard]] const std::optional<DailyCommitment> &commitment() const { return m_commitment; }
    [[nodiscard]] bool isCommitted() const { return m_isCommitted; }
    [[nodiscard]] bool isLocked() const;
    [[nodiscard]] bool showsLockedState() const { return m_isCommitted && isLocked(); }
    [[nodiscard]] int lockUntilHour() const { return m_lockUntilHour; }

    // "Locks in until 6 PM"
    [[nodiscard]] QString lockLine() const;
    // "Committed to Normal"
    [[nodiscard]] QString committedTitle() const;
    [[nodiscard]] QString committedDescription() const;
    // "Locked until 6 PM"; empty without a commitment.
    [[nodiscard]] QString lockedUntilLine() const;

    // "6 PM" for 18, "12 PM" for 12, "9 AM" for 9, "12 AM" for 0.
    [[nodiscard]] static QString formatHour(int hour);

    // Loads today's stored commitment, if any, and preselects its mode. A
    // commitment of another day changes nothing.
    Q_INVOKABLE void loadToday();
    // Commits to the selected mode for today and stores the commitment.
    Q_INVOKABLE void commit();
    // "Start my day": commit, apply the mode, close.
    Q_INVOKABLE void startMyDay();
    // "Cancel" and "Close": close without changes.
    Q_INVOKABLE void close();

Q_SIGNALS:
    void changed();
    void closeRequested();

private:
    PreferencesStore &m_preferences;
    const Runtime &m_runtime;
    ApplyMode m_applyMode;
    CommitmentMode m_selectedMode = CommitmentMode::normal;
    std::optional<DailyCommitment> m_commitment;
    int m_lockUntilHour = DailyCommitment::kDefaultLockUntilHour;
    bool m_isCommitted = false;
};

} // namespace stirwell
