// The character controller: drives one character of the Agent control for
// the cartoon interface. It loads a character file, keeps the character on
// the desktop visible or invisible (by size, so it always stays able to
// speak), speaks text with the volume, pitch, speed and voice-type tags and
// a numbered bookmark after every word, and plays the reading and greeting
// animations. The module also holds the one Agent control and the lists of
// installed voices ("tones").
#pragma once

#include "agent/agent_control.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTime>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace kalo {

class ITTSEnumA;

// The folder of the character files, AppPath + "chars/"; the character
// named N is CharsFolder + N + ".acs". Empty until InitCharsFolder.
extern QString CharsFolder;
// The one Agent control, from InitAgent to DoneAgent; null outside.
extern TAgent* Agent;
// Names and identifiers (GUID text) of the installed speech modes, parallel
// lists in the enumerator's order; filled by InitAgent, emptied by DoneAgent.
extern QStringList ToneNames;
extern QStringList ToneModeIds;

// Sets CharsFolder from AppPath (after the settings were loaded).
void InitCharsFolder();
// The folders characters are listed and found in: CharsFolder first (the
// user's own), then the installation's chars/ folder when that is another.
QStringList CharsFolders();

// Fills the tone lists, then creates the Agent control with owner as its
// owner and connects it. A failing mode enumerator raises before the control
// is created. Sets CharsFolder too when it is still empty.
void InitAgent(QWidget* owner = nullptr);
// Disconnects and frees the control and empties the tone lists.
void DoneAgent();
// Handles the application's events until the request has finished
// (complete, failed or interrupted). Handlers, Agent events among them, run
// meanwhile and may call into the controller again.
void WaitForRequest(const RequestPtr& request);
// True while some WaitForRequest is handling events: whatever runs now runs
// inside that wait, with the waiting caller still on the stack.
bool WaitingForRequest();

// The enumerator InitAgent lists the tones with; by default the speech
// layer's own. Tests give one of their own; an empty function restores it.
using ToneEnumeratorFactory = std::function<std::unique_ptr<ITTSEnumA>()>;
void SetToneEnumeratorFactory(ToneEnumeratorFactory factory);

// The text the character speaks for `text`: the text without leading and
// trailing blanks and control characters, a bookmark tag after every space
// and one at the end (numbered from 1), the volume, pitch and speed tags in
// front, wrapped into an empty-balloon \Map tag when the balloon is off, and
// the \Chr tag of "Whisper" or "Monotone" in front of everything. The text
// itself cannot add tags: each of its backslashes is written doubled, and
// inside the \Map tag each of its double quotes too. *bookmarkCount gets the
// number of bookmarks (the last one marks the end of the text).
QString BuildSpeechTags(const QString& text, int volume, int pitch, int speed,
                        const QString& voiceType, bool balloonVisible, int* bookmarkCount);

// "Good morning!" before 12:00, "Good afternoon!" from 12:00, "Good Evening!"
// from 18:00, each followed by " I'm ready.".
QString GreetingText(const QTime& time);

class TJQChar {
public:
    // Loads the character file (raises when it cannot be loaded: then no
    // object is made) and places the invisible character at the work area's
    // bottom-right corner.
    explicit TJQChar(const QString& path);
    // Unloads the character.
    ~TJQChar();
    TJQChar(const TJQChar&) = delete;
    TJQChar& operator=(const TJQChar&) = delete;

    // Replaces the loaded character by the one in the file; it ends loaded,
    // shown at 0 by 0 and so invisible. The new one is loaded before the
    // old one goes: a file that cannot be loaded raises and leaves the
    // character that was there as it was.
    void LoadCharacter(const QString& path);
    // Stops, hides and unloads the character; nothing when none is loaded.
    void UnloadCharacter();

    // Show and hide requests of the control, waited for unless they are
    // queued behind a text being spoken (they go in their turn then).
    void Show();
    void Hide();

    // Visible by size: true restores the remembered size, false remembers
    // it (unless already 0) and sets 0 by 0 with the character shown (a
    // character not shown yet is shown, quietly, and that is waited for).
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    qint16 Left() const;
    void SetLeft(qint16 left);
    qint16 Top() const;
    void SetTop(qint16 top);
    // The size last set (0 by 0 while invisible), not read back.
    qint16 Width() const { return width_; }
    void SetWidth(qint16 width);
    qint16 Height() const { return height_; }
    void SetHeight(qint16 height);
    // The size Visible := true restores.
    qint16 SavedWidth() const { return savedWidth_; }
    qint16 SavedHeight() const { return savedHeight_; }
    // The size the character has when shown: its size while visible, the
    // remembered one while hidden. Set while hidden, the size is only
    // remembered (a size of 0 or less is ignored then), so a hidden
    // character stays hidden and shows at that size later.
    qint16 ShownWidth() const { return visible_ ? width_ : savedWidth_; }
    qint16 ShownHeight() const { return visible_ ? height_ : savedHeight_; }
    void SetShownWidth(qint16 width);
    void SetShownHeight(qint16 height);

    bool SoundEffectsOn() const;
    void SetSoundEffectsOn(bool on);

    // Chooses the speech mode; a mode that is not installed (or any other
    // failure) leaves the mode as it was and raises nothing.
    void SetTone(const QString& modeId);
    // Cancels everything queued or playing for the character.
    void Stop();
    // Plays the animation when AnimationOn and the character has one of the
    // name (letter case aside); does not wait for it.
    void PlayAnimation(const QString& name);
    // Speaks the text (see BuildSpeechTags); async false waits until the
    // speech has finished. Returns the text's token: a number, never 0 and
    // unique in the process, by which SpeakingNow tells the bookmarks of
    // this text from those of any other.
    int Speak(const QString& text, bool async);
    // Whether the request is one of the speeches this controller asked for
    // (to match the control's RequestFailed to them). A speech may fail
    // inside Speak, before Speak has taken note of it: ask once Speak has
    // returned, holding the request.
    bool IsOwnSpeech(const RequestPtr& request) const;
    // "Read", the text, then "ReadReturn". Returns the text's token.
    int Read(const QString& text);
    // Waves and speaks the greeting of the time of day.
    void Greet();

    // The clock Greet reads; by default the local time.
    void SetClock(std::function<QTime()> clock);

    bool BalloonVisible = true;
    bool AnimationOn = true;
    qint32 Speed = 150;
    qint32 Pitch = 50;
    qint32 Volume = 65535;
    QString VoiceType = QStringLiteral("Normal");

    // Bookmarks placed in the last spoken text.
    qint32 BookmarkCount() const { return bookmarkCount_; }

    // A text given to Speak: its token and the bookmarks placed in it.
    struct SpokenText {
        int token = 0;
        int bookmarkCount = 0;
    };
    // The text being spoken now (token 0 when none): the control raises
    // bookmarks only for the speech in progress, so a bookmark that arrives
    // belongs to this text, whatever was queued behind it since.
    SpokenText SpeakingNow() const;
    // True while the text of the token is queued or being spoken.
    bool Pending(int token) const;
    // True while any text given to Speak is queued or being spoken.
    bool Speaking() const;
    // The character's own speech mode (GUID text).
    const QString& DefaultTone() const { return defaultTone_; }
    // The name the character is loaded under: the file name without
    // folder and extension.
    const QString& CharacterID() const { return characterId_; }
    // The loaded character; null when none is loaded.
    TAgentCharacter* Character() const { return character_.data(); }
    // Names of the character's animations, in the file's order.
    const QStringList& AnimationNames() const { return animationNames_; }

private:
    TAgentCharacter& loaded() const;
    void waitUnlessBehindSpeech(const RequestPtr& request);

    qint16 width_ = 0;
    qint16 height_ = 0;
    qint16 savedWidth_ = 0;
    qint16 savedHeight_ = 0;
    bool visible_ = false;
    bool loading_ = false;
    qint32 bookmarkCount_ = 0;
    // The texts given to Speak that had not ended when last looked at.
    struct Spoken {
        SpokenText text;
        RequestPtr request;
    };
    mutable std::deque<Spoken> spoken_;
    void dropEnded() const;
    QString defaultTone_;
    QString characterId_;
    // Becomes null by itself should the control go first.
    QPointer<TAgentCharacter> character_;
    QStringList animationNames_;
    std::function<QTime()> clock_;
    // The speeches asked for that somebody still holds.
    std::vector<std::weak_ptr<TAgentRequest>> speeches_;
};

} // namespace kalo
