#include "agent/animation_stepper.h"

#include <random>

namespace kalo {

RandomSource DefaultRandomSource() {
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    return [engine](int bound) {
        if (bound <= 1)
            return 0;
        return std::uniform_int_distribution<int>(0, bound - 1)(*engine);
    };
}

AnimationStepper::AnimationStepper(const acs::Character& character, RandomSource random)
    : character_(character), random_(std::move(random)) {}

bool AnimationStepper::Start(int animation) {
    animation_ = animation;
    frame_ = -1;
    exiting_ = false;
    looped_ = false;
    exitSteps_ = 0;
    running_ = animation >= 0 && size_t(animation) < character_.animations.size() &&
               !character_.animations[size_t(animation)].frames.empty();
    if (running_)
        frame_ = 0;
    return running_;
}

bool AnimationStepper::Resume(int frame) {
    if (animation_ < 0 || size_t(animation_) >= character_.animations.size() || frame < 0 ||
        size_t(frame) >= character_.animations[size_t(animation_)].frames.size())
        return false;
    frame_ = frame;
    running_ = true;
    return true;
}

const acs::Frame* AnimationStepper::CurrentFrame() const {
    if (animation_ < 0 || size_t(animation_) >= character_.animations.size())
        return nullptr;
    const auto& frames = character_.animations[size_t(animation_)].frames;
    return frame_ >= 0 && size_t(frame_) < frames.size() ? &frames[size_t(frame_)] : nullptr;
}

void AnimationStepper::BeginExit() {
    if (!running_)
        return;
    exiting_ = true;
    exitSteps_ = 0;
}

bool AnimationStepper::Next() {
    const acs::Frame* f = CurrentFrame();
    if (!running_ || !f) {
        running_ = false;
        return false;
    }
    const int count = int(character_.animations[size_t(animation_)].frames.size());
    looped_ = false;
    int next = -1;
    if (exiting_) {
        if (++exitSteps_ > count) {
            running_ = false;
            return false;
        }
        if (f->exitFrame >= 0)
            next = f->exitFrame < count ? f->exitFrame : -1;
        else if (f->exitFrame == acs::kExitNextFrame)
            next = frame_ + 1 < count ? frame_ + 1 : -1;
    } else {
        if (!f->branches.empty()) {
            const int r = random_ ? random_(100) : 0;
            int sum = 0;
            for (const acs::Branch& b : f->branches) {
                sum += b.percent;
                if (r < sum) {
                    next = b.frame < count ? int(b.frame) : -1;
                    break;
                }
            }
            if (next >= 0) {
                looped_ = next <= frame_;
                frame_ = next;
                return true;
            }
        }
        next = frame_ + 1 < count ? frame_ + 1 : -1;
    }
    if (next < 0) {
        running_ = false;
        return false;
    }
    frame_ = next;
    return true;
}

int AnimationIndex(const acs::Character& character, QStringView name) {
    for (size_t i = 0; i < character.animations.size(); ++i)
        if (QStringView(character.animations[i].name).compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int StateAnimation(const acs::Character& character, QStringView state, const QStringList& fallbacks,
                   const RandomSource& random) {
    std::vector<int> found;
    for (const QString& name : character.StateAnimations(state)) {
        const int i = AnimationIndex(character, name);
        if (i >= 0 && !character.animations[size_t(i)].frames.empty())
            found.push_back(i);
    }
    if (!found.empty())
        return found[size_t(random ? random(int(found.size())) % int(found.size()) : 0)];
    for (const QString& name : fallbacks) {
        const int i = AnimationIndex(character, name);
        if (i >= 0)
            return i;
    }
    return -1;
}

} // namespace kalo
