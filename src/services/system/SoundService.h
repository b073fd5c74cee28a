#pragma once

#include "services/ports/SoundCues.h"

#include <QObject>
#include <QString>

namespace stirwell {

class PreferencesStore;
class SoundPlayer;

// The four cues of the break cycle: Stirwell's own sounds ("nudge.wav",
// "break-start.wav", "break-complete.wav", "streak-lost.wav" in the sound
// directory), each with a sound of the desktop's theme as fallback; silence
// when neither plays. Muted while the preference "enableSounds" is false
// (default true), following changes at once.
class SoundService : public QObject, public SoundCues {
    Q_OBJECT
public:
    static inline const QString kEnableSoundsKey = QStringLiteral("enableSounds");

    SoundService(SoundPlayer &player, PreferencesStore &preferences, QString soundDirectory,
                 QObject *parent = nullptr);

    [[nodiscard]] bool isMuted() const { return m_muted; }

    void playNudge() override;
    void playBreakStart() override;
    void playBreakComplete() override;
    void playStreakLost() override;

    // The file a cue plays, and the theme sound it falls back to.
    [[nodiscard]] QString cuePath(const QString &resourceName) const;

private:
    void play(const QString &resourceName, const QString &themeFallback);
    void readMutePreference();

    SoundPlayer &m_player;
    PreferencesStore &m_preferences;
    QString m_soundDirectory;
    bool m_muted = false;
};

} // namespace stirwell
