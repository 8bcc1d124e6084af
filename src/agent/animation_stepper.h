// Steps through one animation of a character: random branches in normal
// play, exit branches when leaving early. No clock of its own: the player
// asks for the next frame when a frame's time is up.
#pragma once

#include "agent/acs_file.h"

#include <functional>

namespace kalo {

// Returns an integer in [0, bound).
using RandomSource = std::function<int(int bound)>;
RandomSource DefaultRandomSource();

class AnimationStepper {
public:
    AnimationStepper(const acs::Character& character, RandomSource random);

    // Starts the animation at its first frame; false when it has no frames
    // (or no such animation).
    bool Start(int animation);
    // Moves on: branches (the first whose running percentage sum exceeds a
    // random draw in [0, 100)), else the next frame. In exit mode the exit
    // field instead. False when the animation has ended; the frame stays.
    bool Next();
    // Continues from a frame of the started animation; false when it has
    // no such frame.
    bool Resume(int frame);
    // Leaves by exit branches from the current frame on. The walk shows at
    // most as many frames as the animation has, since a frame may exit to
    // itself.
    void BeginExit();

    int Animation() const { return animation_; }
    int Frame() const { return frame_; }
    bool Running() const { return running_; }
    bool Exiting() const { return exiting_; }
    // The last step of normal play went back to an earlier frame or the same.
    bool Looped() const { return looped_; }
    const acs::Frame* CurrentFrame() const;

private:
    const acs::Character& character_;
    RandomSource random_;
    int animation_ = -1;
    int frame_ = -1;
    bool running_ = false;
    bool exiting_ = false;
    bool looped_ = false;
    int exitSteps_ = 0;
};

// Index of an animation by name (without regard to case); -1 when none.
int AnimationIndex(const acs::Character& character, QStringView name);

// A random animation of a state that the character has; failing that, the
// first of the fallback names it has; -1 when none.
int StateAnimation(const acs::Character& character, QStringView state, const QStringList& fallbacks,
                   const RandomSource& random);

} // namespace kalo
