#pragma once

namespace stirwell {

// The four short sound cues. Implemented by SoundService; each call returns
// at once and plays nothing while sounds are off.
class SoundCues {
public:
    virtual ~SoundCues() = default;
    virtual void playNudge() = 0;
    virtual void playBreakStart() = 0;
    virtual void playBreakComplete() = 0;
    virtual void playStreakLost() = 0;
};

} // namespace stirwell
