#pragma once

#include <QString>

namespace stirwell {

// Plays short sounds without waiting for them to end.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Starts playing a sound file; false when it cannot be played.
    [[nodiscard]] virtual bool playFile(const QString &path) = 0;
    // Starts playing a sound of the desktop's sound theme by its event name
    // ("complete", "bell", ...); false when the theme has no such sound or
    // nothing can be played.
    [[nodiscard]] virtual bool playThemeSound(const QString &eventId) = 0;
};

} // namespace stirwell
