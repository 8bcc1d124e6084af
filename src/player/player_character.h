// What the player window asks of its character controller. The window talks
// to the character through this interface, so the reading list, the menus
// and the character settings are exercised with a stand-in character in the
// tests, and the real controller is adapted to it in one place.
#pragma once

#include <QString>

namespace kalo {

// A text given to the character, as its bookmarks identify it: the token
// Speak or Read returned for it, and the number of bookmarks placed in it
// (the last one marks its end). Token 0 stands for no text.
struct TSpokenText {
    int token = 0;
    int bookmarkCount = 0;
};

class TPlayerCharacter {
public:
    virtual ~TPlayerCharacter() = default;

    // Cancels everything queued or playing for the character.
    virtual void Stop() = 0;
    // Speaks the text without waiting for it to finish, queued behind
    // whatever the character is doing. Returns the text's token, never 0.
    virtual int Speak(const QString& text) = 0;
    // Speaks the text between the reading animations, without waiting.
    // Returns the text's token.
    virtual int Read(const QString& text) = 0;
    // Plays one of the character's animations (nothing when it has none of
    // the name), queued like a text.
    virtual void PlayAnimation(const QString& name) = 0;
    // Bookmarks placed in the last text given to Speak or Read; the last one
    // marks the end of that text.
    virtual int BookmarkCount() const = 0;
    // The text being spoken now, the one whose bookmarks arrive; token 0
    // when the character speaks nothing it was given through Speak or Read.
    virtual TSpokenText SpeakingNow() const = 0;
    // True while the text of the token waits in the queue or is spoken;
    // false once it has ended, been stopped, or went with its character.
    virtual bool Pending(int token) const = 0;

    // Replaces the loaded character; throws KaloError when it cannot load.
    virtual void LoadCharacter(const QString& path) = 0;

    virtual bool Visible() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual short Left() const = 0;
    virtual void SetLeft(short left) = 0;
    virtual short Top() const = 0;
    virtual void SetTop(short top) = 0;
    virtual short Width() const = 0;
    virtual void SetWidth(short width) = 0;
    virtual short Height() const = 0;
    virtual void SetHeight(short height) = 0;
    // The size the character has when shown: set while it is hidden, it is
    // only remembered for the next showing.
    virtual short ShownWidth() const = 0;
    virtual void SetShownWidth(short width) = 0;
    virtual short ShownHeight() const = 0;
    virtual void SetShownHeight(short height) = 0;

    virtual int Volume() const = 0;
    virtual void SetVolume(int volume) = 0;
    virtual int Pitch() const = 0;
    virtual void SetPitch(int pitch) = 0;
    virtual int Speed() const = 0;
    virtual void SetSpeed(int speed) = 0;
    virtual QString VoiceType() const = 0;
    virtual void SetVoiceType(const QString& voiceType) = 0;

    virtual void SetBalloonVisible(bool on) = 0;
    virtual void SetAnimationOn(bool on) = 0;
    virtual void SetSoundEffectsOn(bool on) = 0;

    // Selects a speech mode by identifier; failures leave the voice as it was.
    virtual void SetTone(const QString& modeId) = 0;
    // The loaded character's own speech mode.
    virtual QString DefaultTone() const = 0;
};

} // namespace kalo
