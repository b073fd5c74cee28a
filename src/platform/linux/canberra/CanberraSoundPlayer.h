#pragma once

#include "services/system/SoundPlayer.h"

#include <memory>
#include <mutex>

struct ca_context;

namespace stirwell {

// Plays sounds through libcanberra (PulseAudio or PipeWire's Pulse server):
// our own files, and the desktop's sound theme by event name. Playback is
// started and left running; the call does not wait for it to end. The
// streams carry the "event" role, so desktops apply their alert volume.
class CanberraSoundPlayer final : public SoundPlayer {
public:
    CanberraSoundPlayer(const QString &applicationId, const QString &applicationName);
    ~CanberraSoundPlayer() override;

    [[nodiscard]] bool playFile(const QString &path) override;
    [[nodiscard]] bool playThemeSound(const QString &eventId) override;

private:
    struct ContextDeleter {
        void operator()(ca_context *context) const;
    };
    std::mutex m_mutex;
    std::unique_ptr<ca_context, ContextDeleter> m_context;
};

} // namespace stirwell
