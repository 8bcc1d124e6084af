#include "agent/character_player.h"

#include "agent/character_voice.h"
#include "base/kalo_error.h"

#include <QSet>

namespace kalo {

namespace {

// Zero-length frames follow one another at once, up to this many in a row;
// then the player takes a short breath, so a loop of them cannot hang it.
constexpr int kZeroFramesInARow = 100;
constexpr int kBreathMs = 10;

} // namespace

CharacterPlayer::CharacterPlayer(std::shared_ptr<const acs::Character> character, QObject* parent)
    : QObject(parent), character_(std::move(character)), random_(DefaultRandomSource()),
      stepper_(*character_, [this](int bound) { return random_(bound); }) {
    frameTimer_.setSingleShot(true);
    idleTimer_.setSingleShot(true);
    connect(&frameTimer_, &QTimer::timeout, this, &CharacterPlayer::onFrameTimer);
    connect(&idleTimer_, &QTimer::timeout, this, &CharacterPlayer::onIdleTimer);
    quiet_.start();
}

CharacterPlayer::~CharacterPlayer() {
    frameTimer_.stop();
    idleTimer_.stop();
    if (activity_ == Activity::Saying && voice_)
        voice_->Stop();
    for (Job& job : jobs_)
        if (job.request)
            job.request->SetStatus(kRequestInterrupted);
}

void CharacterPlayer::SetRandomSource(RandomSource random) {
    random_ = random ? std::move(random) : DefaultRandomSource();
}

void CharacterPlayer::SetIdleDelays(int level1Ms, int level2Ms, int level3Ms) {
    idleDelay_[0] = std::max(1, level1Ms);
    idleDelay_[1] = std::max(idleDelay_[0], level2Ms);
    idleDelay_[2] = std::max(idleDelay_[1], level3Ms);
    idleTimer_.stop();
    scheduleIdle();
}

void CharacterPlayer::SetIdleOn(bool on) {
    idleOn_ = on;
    if (!on)
        idleTimer_.stop();
    else
        scheduleIdle();
}

void CharacterPlayer::SetIdleAllowed(bool allowed) {
    if (allowed == idleAllowed_)
        return;
    idleAllowed_ = allowed;
    if (!allowed)
        idleTimer_.stop();
    else
        scheduleIdle();
}

// --- requests

RequestPtr CharacterPlayer::add(const QString& type, std::deque<Step> steps, ParsedSpeech speech) {
    auto request = std::make_shared<TAgentRequest>();
    // A request ends the quiet: an idle animation in progress leaves by
    // its exits, and the idle levels start over.
    quiet_.restart();
    idleLevel_ = 0;
    idleTimer_.stop();
    if (!jobs_.empty() && !jobs_.front().request && frontStarted_) {
        interruptRunning();
        jobs_.pop_front();
        frontStarted_ = false;
    }
    jobs_.push_back({request, type, std::move(steps), std::move(speech)});
    pump();
    return request;
}

RequestPtr CharacterPlayer::Show(bool fast) {
    return add(QStringLiteral("show"), {{StepKind::ShowBegin, -1, fast}});
}

RequestPtr CharacterPlayer::Hide(bool fast) {
    return add(QStringLiteral("hide"), {{StepKind::HideBegin, -1, fast}});
}

RequestPtr CharacterPlayer::Play(const QString& animation) {
    const int index = AnimationIndex(*character_, animation);
    if (index < 0) {
        auto failed = std::make_shared<TAgentRequest>();
        failed->SetStatus(kRequestFailed,
                          QStringLiteral("The character has no animation named %1").arg(animation));
        return failed;
    }
    return add(QStringLiteral("play"), {{StepKind::Return}, {StepKind::Animate, index}});
}

RequestPtr CharacterPlayer::Speak(const QString& taggedText) {
    return add(QStringLiteral("speak"), {{StepKind::SpeakPose}, {StepKind::Say}},
               ParseSpeechTags(taggedText));
}

void CharacterPlayer::StopAll(const QString& types) {
    QSet<QString> wanted;
    for (const QString& t : types.split(u',', Qt::SkipEmptyParts))
        if (!t.trimmed().isEmpty())
            wanted.insert(t.trimmed().toLower());
    auto matches = [&](const Job& job) {
        return job.request && (wanted.isEmpty() || wanted.contains(job.type));
    };
    if (!jobs_.empty() && frontStarted_ && matches(jobs_.front())) {
        interruptRunning();
        finishFront(kRequestInterrupted);
    }
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        const bool running = it == jobs_.begin() && frontStarted_;
        if (!running && matches(*it)) {
            it->request->SetStatus(kRequestInterrupted);
            it = jobs_.erase(it);
        } else {
            ++it;
        }
    }
    if (wanted.isEmpty() || wanted.contains(QStringLiteral("play")))
        emit StopSounds();
    pump();
}

// --- the queue

void CharacterPlayer::pump() {
    if (pumping_) {
        pumpAgain_ = true;
        return;
    }
    pumping_ = true;
    do {
        pumpAgain_ = false;
        while (activity_ == Activity::None) {
            if (jobs_.empty()) {
                scheduleIdle();
                break;
            }
            Job& job = jobs_.front();
            if (!frontStarted_) {
                frontStarted_ = true;
                if (job.request)
                    job.request->SetStatus(kRequestInProgress);
            }
            if (job.steps.empty()) {
                finishFront(kRequestComplete);
                continue;
            }
            const Step step = job.steps.front();
            job.steps.pop_front();
            startStep(job, step);
        }
    } while (pumpAgain_);
    pumping_ = false;
}

void CharacterPlayer::finishFront(int status, const QString& why) {
    if (jobs_.empty())
        return;
    const RequestPtr request = jobs_.front().request;
    if (request)
        request->SetStatus(status, why);
    jobs_.pop_front();
    frontStarted_ = false;
    // Nobody waits on a request given without waiting: the failure is said.
    if (request && status == kRequestFailed)
        emit RequestFailed(request);
}

void CharacterPlayer::startStep(Job& job, const Step& step) {
    switch (step.kind) {
    case StepKind::Return: {
        const int a = unreturned_;
        unreturned_ = -1;
        if (a < 0)
            return;
        const acs::Animation& anim = character_->animations[size_t(a)];
        if (anim.transition == acs::kTransitionReturnAnimation) {
            const int r = AnimationIndex(*character_, anim.returnAnimation);
            if (r >= 0 && r != a)
                startAnimation(r, false, true);
        } else if (anim.transition == acs::kTransitionExitBranches && picAnimation_ == a) {
            startExitWalk(a, stepper_.Animation() == a ? stepper_.Frame() : picFrame_);
        }
        return;
    }
    case StepKind::Animate:
        startAnimation(step.animation, step.flag, false);
        return;
    case StepKind::ShowBegin: {
        if (visible_)
            return;
        const int showing =
            step.flag ? -1
                      : StateAnimation(*character_, u"SHOWING", {QStringLiteral("Show")}, random_);
        unreturned_ = -1;
        if (showing >= 0) {
            // The first picture is the showing animation's.
            job.steps.push_front({StepKind::Animate, showing});
            picAnimation_ = -1;
        } else if (picAnimation_ < 0) {
            restPose();
        }
        visible_ = true;
        emit VisibleChanged(true);
        return;
    }
    case StepKind::HideBegin: {
        if (!visible_)
            return;
        const int hiding =
            step.flag ? -1
                      : StateAnimation(*character_, u"HIDING", {QStringLiteral("Hide")}, random_);
        job.steps.push_front({StepKind::SetVisible, -1, false});
        if (hiding >= 0) {
            job.steps.push_front({StepKind::Animate, hiding});
            job.steps.push_front({StepKind::Return});
        }
        return;
    }
    case StepKind::SetVisible:
        if (visible_ == step.flag)
            return;
        visible_ = step.flag;
        if (!visible_) {
            unreturned_ = -1;
            picAnimation_ = -1;
            picFrame_ = -1;
            idleTimer_.stop();
        }
        emit VisibleChanged(visible_);
        return;
    case StepKind::SpeakPose: {
        if (pictureHasMouth())
            return;
        const int speaking = StateAnimation(*character_, u"SPEAKING", {}, random_);
        if (speaking < 0) {
            if (picAnimation_ < 0 && visible_)
                restPose();
            return;
        }
        job.steps.push_front({StepKind::Animate, speaking, true});
        job.steps.push_front({StepKind::Return});
        return;
    }
    case StepKind::Say:
        say(job);
        return;
    }
}

// --- animations

void CharacterPlayer::startAnimation(int animation, bool stopAtMouth, bool isReturn) {
    if (!stepper_.Start(animation))
        return; // nothing to play: the step is done
    stopAtMouth_ = stopAtMouth;
    isReturn_ = isReturn;
    exitTail_ = false;
    activity_ = Activity::Animating;
    showStepperFrame();
    const acs::Frame* f = stepper_.CurrentFrame();
    if (stopAtMouth_ && pictureHasMouth()) {
        animationEnded();
        return;
    }
    frameTimer_.start(f->duration > 0 ? f->duration * 10 : 0);
}

void CharacterPlayer::startExitWalk(int animation, int frame) {
    // The walk starts where the picture is.
    if (!stepper_.Start(animation) || !stepper_.Resume(frame))
        return;
    stepper_.BeginExit();
    stopAtMouth_ = false;
    isReturn_ = true;
    exitTail_ = false;
    activity_ = Activity::Animating;
    frameTimer_.start(0);
}

void CharacterPlayer::showStepperFrame(bool withSound) {
    const acs::Frame* f = stepper_.CurrentFrame();
    if (!f)
        return;
    if (withSound && f->sound >= 0)
        emit FrameSound(f->sound);
    // A frame without images leaves the previous picture on screen.
    if (f->images.empty() && picAnimation_ >= 0)
        return;
    picAnimation_ = stepper_.Animation();
    picFrame_ = stepper_.Frame();
    emit PictureChanged();
}

void CharacterPlayer::onFrameTimer() {
    if (activity_ != Activity::Animating)
        return;
    for (int inARow = 0; inARow < kZeroFramesInARow; ++inARow) {
        if (!stepper_.Next()) {
            animationEnded();
            return;
        }
        // A loop that would run for ever leaves by its exits when a request
        // waits behind it.
        if (!stepper_.Exiting() && stepper_.Looped() && jobs_.size() > 1 && frontStarted_) {
            stepper_.BeginExit();
            if (!stepper_.Next()) {
                animationEnded();
                return;
            }
        }
        showStepperFrame();
        if (stopAtMouth_ && pictureHasMouth() && !stepper_.Exiting()) {
            animationEnded();
            return;
        }
        const acs::Frame* f = stepper_.CurrentFrame();
        if (f->duration > 0) {
            frameTimer_.start(f->duration * 10);
            return;
        }
    }
    frameTimer_.start(kBreathMs);
}

void CharacterPlayer::animationEnded() {
    frameTimer_.stop();
    const int a = stepper_.Animation();
    // An animation left by its exits, or one that returns another, needs
    // no return of its own.
    unreturned_ = (exitTail_ || isReturn_ || stepper_.Exiting()) ? -1 : a;
    exitTail_ = false;
    isReturn_ = false;
    activity_ = Activity::None;
    pump();
}

int CharacterPlayer::RunningAnimation() const {
    return activity_ == Activity::Animating ? stepper_.Animation() : -1;
}

void CharacterPlayer::interruptRunning() {
    if (activity_ == Activity::Animating) {
        // The animation goes on by its exit branches, outside any request;
        // the next request starts when it is done.
        if (!stepper_.Exiting())
            stepper_.BeginExit();
        exitTail_ = true;
        stopAtMouth_ = false;
    } else if (activity_ == Activity::Saying) {
        if (voice_)
            voice_->Stop();
        activity_ = Activity::None;
        mouth_ = -1;
        emit BalloonEnd(true);
        emit PictureChanged();
    }
}

void CharacterPlayer::restPose() {
    // The rest pose, else the speaking pose, else the first picture of any
    // animation: the first frame with images of the first that has one.
    std::vector<int> order;
    for (int preferred : {AnimationIndex(*character_, u"RestPose"),
                          StateAnimation(*character_, u"SPEAKING", {}, random_)})
        if (preferred >= 0)
            order.push_back(preferred);
    for (int k = 0; k < int(character_->animations.size()); ++k)
        order.push_back(k);
    for (int k : order) {
        const auto& frames = character_->animations[size_t(k)].frames;
        for (size_t f = 0; f < frames.size(); ++f) {
            if (!frames[f].images.empty()) {
                picAnimation_ = k;
                picFrame_ = int(f);
                emit PictureChanged();
                return;
            }
        }
    }
}

const acs::Frame* CharacterPlayer::PictureFrameData() const {
    if (picAnimation_ < 0 || size_t(picAnimation_) >= character_->animations.size())
        return nullptr;
    const auto& frames = character_->animations[size_t(picAnimation_)].frames;
    return picFrame_ >= 0 && size_t(picFrame_) < frames.size() ? &frames[size_t(picFrame_)]
                                                               : nullptr;
}

bool CharacterPlayer::pictureHasMouth() const {
    const acs::Frame* f = PictureFrameData();
    return f && !f->overlays.empty();
}

const acs::MouthOverlay* CharacterPlayer::CurrentMouth() const {
    const acs::Frame* f = PictureFrameData();
    if (!f || mouth_ < 0 || f->overlays.empty())
        return nullptr;
    auto find = [&](int shape) -> const acs::MouthOverlay* {
        for (const acs::MouthOverlay& o : f->overlays)
            if (o.shape == shape)
                return &o;
        return nullptr;
    };
    if (auto* o = find(mouth_))
        return o;
    if (mouth_ == 0)
        return nullptr; // the frame's own mouth is the closed one
    // A character without this picture: the nearest open one it has.
    static const int kNearest[7][6] = {{0},
                                       {2, 5, 3, 4, 6, 0},
                                       {1, 3, 5, 4, 6, 0},
                                       {2, 4, 5, 1, 6, 0},
                                       {3, 2, 5, 1, 6, 0},
                                       {2, 1, 3, 6, 4, 0},
                                       {5, 1, 2, 3, 4, 0}};
    if (mouth_ > 6)
        return nullptr;
    for (int s : kNearest[mouth_])
        if (s != 0)
            if (auto* o = find(s))
                return o;
    return nullptr;
}

// --- speech

void CharacterPlayer::say(Job& job) {
    if (!voice_) {
        finishFront(kRequestFailed, QStringLiteral("No speech mode is installed"));
        return;
    }
    TTSMarkedText text;
    try {
        text = EngineText(job.speech, voiceStart_, voice_->Ranges());
    } catch (const KaloError& e) {
        finishFront(kRequestFailed, e.message());
        return;
    }
    // The callbacks keep their own copy of the speech: a typed StopAll takes
    // jobs out of the middle of the queue, which moves the job speaking now.
    const auto speech = std::make_shared<const ParsedSpeech>(job.speech);
    CharacterVoice::Callbacks cb;
    cb.word = [this, speech](quint32 offset) {
        emit BalloonReveal(speech->BalloonPosition(qsizetype(offset)));
    };
    cb.bookmark = [this](quint32 id) { emit Bookmark(qint32(id)); };
    cb.mouth = [this](int picture) {
        if (activity_ != Activity::Saying || picture == mouth_)
            return;
        mouth_ = picture;
        emit PictureChanged();
    };
    cb.done = [this, speech] {
        emit BalloonReveal(speech->balloon.size());
        activity_ = Activity::None;
        mouth_ = -1;
        emit PictureChanged();
        emit BalloonEnd(false);
        pump();
    };
    try {
        voice_->Speak(text, std::move(cb));
    } catch (const KaloError& e) {
        finishFront(kRequestFailed, e.message());
        return;
    }
    activity_ = Activity::Saying;
    mouth_ = 0;
    emit BalloonStart(job.speech.balloon);
    emit PictureChanged();
}

// --- idling

void CharacterPlayer::scheduleIdle() {
    if (!idleOn_ || !idleAllowed_ || !visible_ || !jobs_.empty() || activity_ != Activity::None) {
        return;
    }
    if (idleTimer_.isActive())
        return;
    const qint64 quiet = quiet_.elapsed();
    const qint64 wait = quiet < idleDelay_[0] ? idleDelay_[0] - quiet : idleDelay_[0];
    idleTimer_.start(int(std::max<qint64>(1, wait)));
}

void CharacterPlayer::onIdleTimer() {
    if (!jobs_.empty() || activity_ != Activity::None || !visible_ || !idleOn_ || !idleAllowed_)
        return;
    const qint64 quiet = quiet_.elapsed();
    int level = 0;
    for (int k = 0; k < 3; ++k)
        if (quiet >= idleDelay_[k])
            level = k + 1;
    if (level == 0) {
        scheduleIdle();
        return;
    }
    // The level reached, or the nearest lower one the character has.
    int animation = -1;
    for (int k = level; k >= 1 && animation < 0; --k) {
        animation =
            StateAnimation(*character_, QStringLiteral("IDLINGLEVEL%1").arg(k), {}, random_);
        if (animation >= 0)
            idleLevel_ = k;
    }
    if (animation < 0)
        return; // no idle animations: the character rests
    jobs_.push_back({nullptr,
                     QStringLiteral("idle"),
                     {{StepKind::Return}, {StepKind::Animate, animation}},
                     {}});
    pump();
}

} // namespace kalo
