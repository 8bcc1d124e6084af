// Our Agent control: loads character files, shows a character on the
// desktop in a shaped, always-on-top window, plays its animations, speaks
// tagged text through the speech layer with its word balloon, and reports
// clicks and bookmarks.
//
// Every call returns at once. Show, Hide, Play and Speak queue a request
// per character; the requests of one character run one after another in
// the order issued, and each request tells its progress through Status.
// Everything runs on the thread that made the control (the user-interface
// thread); the signals are raised there.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

class QWidget;

namespace kalo {

class TAgent;

// Status values of a request.
enum AgentRequestStatus : int {
    kRequestComplete = 0,
    kRequestFailed = 1,
    kRequestPending = 2,
    kRequestInterrupted = 3,
    kRequestInProgress = 4,
};

// One request given to a character (or to the control, for Load).
class TAgentRequest {
public:
    // 0 complete, 1 failed, 2 pending, 3 interrupted, 4 in progress.
    int Status() const { return status_; }
    // Why the request failed; empty otherwise.
    QString Description() const { return description_; }
    // Complete, failed or interrupted: neither waiting in the queue nor
    // running.
    bool Finished() const { return status_ != kRequestPending && status_ != kRequestInProgress; }

    // For the control's request queue.
    void SetStatus(int status, const QString& description = {}) {
        status_ = status;
        description_ = description;
    }

private:
    int status_ = kRequestPending;
    QString description_;
};

using RequestPtr = std::shared_ptr<TAgentRequest>;

struct AgentCharacterPrivate;

// A loaded character. Owned by the control; valid until it is unloaded.
class TAgentCharacter : public QObject {
    Q_OBJECT
public:
    ~TAgentCharacter() override;

    // Position and size of the character on the screen (pixels). The
    // picture is drawn scaled to the size; 0 by 0 shows nothing, though
    // the character still speaks.
    qint16 Left() const;
    qint16 Top() const;
    qint16 Width() const;
    qint16 Height() const;
    void SetLeft(qint16 left);
    void SetTop(qint16 top);
    void SetWidth(qint16 width);
    void SetHeight(qint16 height);

    // The character's language (a Windows language id; 9 is English). It
    // picks the speech mode while none was chosen through SetTTSModeID.
    void SetLanguageID(int languageId);
    int LanguageID() const;
    // We have no menu of our own on a right click; kept for the callers.
    void SetAutoPopupMenu(bool on);
    bool AutoPopupMenu() const;

    // The name and description from the file, in the character's language.
    QString Name() const;
    QString Description() const;
    // Names of the character's animations, in the file's order.
    QStringList AnimationNames() const;
    // True from a Show request's start until a Hide request ends.
    bool Visible() const;

    // Shows or hides the character, playing its showing or hiding
    // animation unless fast.
    RequestPtr Show(bool fast);
    RequestPtr Hide(bool fast);
    // Plays an animation by name (letter case does not matter). A name the
    // character does not have makes the request fail.
    RequestPtr Play(const QString& animation);
    // Speaks tagged text (\Vol= \Pit= \Spd= \Mrk= \Map= \Chr=, \\ for a
    // backslash) with the word balloon. The url is not used.
    RequestPtr Speak(const QString& text, const QString& url);
    // Cancels requests: types empty for all, otherwise a comma-separated
    // list of "Play", "Speak", "Show", "Hide" (others are ignored). The
    // request in progress and the queued ones end as interrupted.
    void StopAll(const QString& types);

    // Sounds of the animation frames.
    bool SoundEffectsOn() const;
    void SetSoundEffectsOn(bool on);

    // The speech mode (GUID text, as the speech layer's mode list writes
    // it). Throws KaloError for an identifier of no installed mode. The
    // character's own voice maps to the closest installed mode by language
    // and gender.
    QString TTSModeID() const;
    void SetTTSModeID(const QString& modeId);

    // Idle animations (IDLINGLEVEL1 to 3) while nothing is queued.
    bool IdleOn() const;
    void SetIdleOn(bool on);

    // --- for tests and tools
    // The random source for branches and state animations: returns an
    // integer in [0, bound).
    void SetRandomSource(std::function<int(int bound)> random);
    // Milliseconds of quiet before idle levels 1, 2 and 3 begin.
    void SetIdleDelays(int level1Ms, int level2Ms, int level3Ms);
    // The window that shows the character and the balloon window (may be
    // null while never shown).
    QWidget* Window() const;
    QWidget* BalloonWindow() const;
    // Frame sounds that began to play so far.
    int SoundEffectsPlayed() const;
    // The name of the animation on screen (empty when none) and its frame.
    QString CurrentAnimation() const;
    int CurrentFrame() const;

private:
    friend class TAgent;
    TAgentCharacter(TAgent* agent, const QString& id, const QString& path);
    std::unique_ptr<AgentCharacterPrivate> d;
};

// The control: the characters loaded into it and its two events.
class TAgent : public QObject {
    Q_OBJECT
public:
    explicit TAgent(QWidget* owner = nullptr);
    ~TAgent() override;

    void SetConnected(bool connected);
    bool Connected() const;

    // Loads a character file under an id. Throws KaloError with a message
    // naming the file when it cannot be loaded, or when the id is taken.
    // The returned request is complete.
    RequestPtr Load(const QString& characterId, const QString& path);
    // Throws KaloError for an id that is not loaded.
    TAgentCharacter* Character(const QString& characterId);
    // Unloading an id that is not loaded does nothing.
    void Unload(const QString& characterId);
    // Gives a loaded character another id (so a replacement can be loaded
    // beside the character it replaces). Throws KaloError when from is not
    // loaded or to is taken.
    void Rename(const QString& from, const QString& to);
    QStringList CharacterIds() const;

    // Characters loaded from now on speak and play sounds to the null
    // device (audio consumed at real-time pace, nothing heard) when true.
    void SetSilentForTests(bool silent);
    bool SilentForTests() const { return silent_; }
    // Characters loaded from now on have no voice, as when no speech engine
    // runs: every speech request fails.
    void SetVoicelessForTests(bool voiceless) { voiceless_ = voiceless; }

signals:
    // A click on a character: button 1 left, 2 right; x, y on the screen.
    void Click(QString characterId, qint16 button, qint16 shift, qint16 x, qint16 y);
    // The speech reached a bookmark tag.
    void Bookmark(qint32 bookmarkId);
    // A request of a character failed when its turn came (a speech with no
    // voice to speak it); the request's description says why.
    void RequestFailed(QString characterId, kalo::RequestPtr request);

private:
    friend class TAgentCharacter;
    friend struct AgentCharacterPrivate;
    QWidget* owner_;
    bool connected_ = true;
    bool silent_ = false;
    bool voiceless_ = false;
    std::map<QString, std::unique_ptr<TAgentCharacter>> characters_;
};

} // namespace kalo
