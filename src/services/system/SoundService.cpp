#include "services/system/SoundService.h"

#include "services/storage/PreferencesStore.h"
#include "services/system/SoundPlayer.h"

#include <QDir>
#include <QFileInfo>

namespace stirwell {

SoundService::SoundService(SoundPlayer &player, PreferencesStore &preferences, QString soundDirectory,
                           QObject *parent)
    : QObject(parent)
    , m_player(player)
    , m_preferences(preferences)
    , m_soundDirectory(std::move(soundDirectory))
{
    readMutePreference();
    connect(&m_preferences, &PreferencesStore::changed, this, [this](const QString &key) {
        if (key == kEnableSoundsKey)
            readMutePreference();
    });
}

void SoundService::readMutePreference()
{
    // A missing or unreadable value means the default: sounds on.
    m_muted = !m_preferences.boolValue(kEnableSoundsKey).value_or(true);
}

QString SoundService::cuePath(const QString &resourceName) const
{
    return QDir(m_soundDirectory).filePath(resourceName + QStringLiteral(".wav"));
}

// The theme fallbacks are sounds of the freedesktop theme close in spirit to
// each cue: a light pop, a bell, a "done" chime, a low warning.
void SoundService::playNudge()
{
    play(QStringLiteral("nudge"), QStringLiteral("message"));
}

void SoundService::playBreakStart()
{
    play(QStringLiteral("break-start"), QStringLiteral("bell"));
}

void SoundService::playBreakComplete()
{
    play(QStringLiteral("break-complete"), QStringLiteral("complete"));
}

void SoundService::playStreakLost()
{
    play(QStringLiteral("streak-lost"), QStringLiteral("dialog-warning"));
}

void SoundService::play(const QString &resourceName, const QString &themeFallback)
{
    if (m_muted)
        return;
    const QString path = cuePath(resourceName);
    if (!m_soundDirectory.isEmpty() && QFileInfo(path).isFile() && m_player.playFile(path))
        return;
    (void)m_player.playThemeSound(themeFallback);
}

} // namespace stirwell
