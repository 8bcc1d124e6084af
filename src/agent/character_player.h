// What a character does, without a window: its request queue and the state
// machine behind it (showing, hiding, playing animations with their
// branches, exits and returns, speaking with a mouth, idling). The picture
// to draw, the balloon's text and the sounds come out as state and
// signals; the windows only show them.
#pragma once

#include "agent/acs_file.h"
#include "agent/agent_control.h"
#include "agent/animation_stepper.h"
#include "agent/speech_tags.h"
#include "agent/voice_mapping.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <memory>

namespace kalo {

class CharacterVoice;

class CharacterPlayer : public QObject {
    Q_OBJECT
public:
    explicit CharacterPlayer(std::shared_ptr<const acs::Character> character,
                             QObject* parent = nullptr);
    // Requests still queued or running end as interrupted.
    ~CharacterPlayer() override;

    const acs::Character& Character() const { return *character_; }
    // The voice that speaks (not owned; null: speaking fails).
    void SetVoice(CharacterVoice* voice) { voice_ = voice; }
    void SetVoiceStart(const AgentVoiceStart& start) { voiceStart_ = start; }
    void SetRandomSource(RandomSource random);
    void SetIdleDelays(int level1Ms, int level2Ms, int level3Ms);
    void SetIdleOn(bool on);
    bool IdleOn() const { return idleOn_; }
    // Idling only makes sense while the character can be seen.
    void SetIdleAllowed(bool allowed);

    RequestPtr Show(bool fast);
    RequestPtr Hide(bool fast);
    // Fails at once (status 1) for an animation the character lacks.
    RequestPtr Play(const QString& animation);
    RequestPtr Speak(const QString& taggedText);
    void StopAll(const QString& types);

    bool Visible() const { return visible_; }
    bool Speaking() const { return activity_ == Activity::Saying; }
    bool Busy() const { return activity_ != Activity::None || !jobs_.empty(); }
    // The picture on screen: an animation's frame (-1 when none).
    int PictureAnimation() const { return picAnimation_; }
    int PictureFrame() const { return picFrame_; }
    const acs::Frame* PictureFrameData() const;
    // The mouth overlay to draw over the picture now; null when none.
    const acs::MouthOverlay* CurrentMouth() const;
    int MouthPicture() const { return mouth_; }
    // The animation being stepped (-1 when none).
    int RunningAnimation() const;
    int IdleLevel() const { return idleLevel_; }

signals:
    void PictureChanged();
    void VisibleChanged(bool visible);
    void Bookmark(qint32 id);
    void FrameSound(int soundIndex);
    void StopSounds();
    // The balloon's text for a speech, the place its speech has reached
    // (into that text), and its end (stopped: hide at once).
    void BalloonStart(const QString& text);
    void BalloonReveal(qsizetype position);
    void BalloonEnd(bool stopped);
    // A queued request could not be carried out (a speech with no voice
    // to speak it); its status and description say why.
    void RequestFailed(const kalo::RequestPtr& request);

private:
    enum class Activity { None, Animating, Saying };
    enum class StepKind { Return, Animate, ShowBegin, HideBegin, SetVisible, SpeakPose, Say };
    struct Step {
        StepKind kind;
        int animation = -1;
        bool flag = false; // Animate: stop at a frame with mouth overlays; Show/Hide: fast
    };
    struct Job {
        RequestPtr request; // null for idling
        QString type;       // "show", "hide", "play", "speak", "idle"
        std::deque<Step> steps;
        ParsedSpeech speech;
    };

    RequestPtr add(const QString& type, std::deque<Step> steps, ParsedSpeech speech = {});
    void pump();
    void startStep(Job& job, const Step& step);
    void finishFront(int status, const QString& why = {});
    void startAnimation(int animation, bool stopAtMouth, bool isReturn);
    void startExitWalk(int animation, int frame);
    void onFrameTimer();
    void showStepperFrame(bool withSound = true);
    void animationEnded();
    void interruptRunning();
    void say(Job& job);
    void restPose();
    bool pictureHasMouth() const;
    void scheduleIdle();
    void onIdleTimer();

    std::shared_ptr<const acs::Character> character_;
    CharacterVoice* voice_ = nullptr;
    AgentVoiceStart voiceStart_;
    RandomSource random_;
    AnimationStepper stepper_;

    std::deque<Job> jobs_;
    bool frontStarted_ = false;
    Activity activity_ = Activity::None;
    bool exitTail_ = false;    // an exit walk after a stop, outside any request
    bool stopAtMouth_ = false; // the animation stops at a frame with mouth overlays
    bool isReturn_ = false;    // the animation returns another
    int unreturned_ = -1;      // an animation that ended and has not been returned
    bool pumping_ = false;
    bool pumpAgain_ = false;

    bool visible_ = false;
    int picAnimation_ = -1;
    int picFrame_ = -1;
    int mouth_ = -1; // -1 not speaking

    QTimer frameTimer_;
    QTimer idleTimer_;
    QElapsedTimer quiet_;
    bool idleOn_ = true;
    bool idleAllowed_ = true;
    int idleDelay_[3] = {10000, 30000, 90000};
    int idleLevel_ = 0;
};

} // namespace kalo
