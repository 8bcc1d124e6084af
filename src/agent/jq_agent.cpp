#include "agent/jq_agent.h"

#include "base/app_folders.h"
#include "base/kalo_error.h"
#include "base/settings_store.h"
#include "base/work_area.h"
#include "speech/tts_enum.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <vector>

namespace kalo {

QString CharsFolder;
TAgent* Agent = nullptr;
QStringList ToneNames;
QStringList ToneModeIds;

namespace {

ToneEnumeratorFactory g_toneEnumeratorFactory;
// Held from the first InitAgent until the program ends.
std::unique_ptr<ITTSEnumA> g_toneEnumerator;

void EnumTones() {
    if (!g_toneEnumerator)
        g_toneEnumerator =
            g_toneEnumeratorFactory ? g_toneEnumeratorFactory() : std::make_unique<TTSEnum>();
    if (!g_toneEnumerator)
        throw KaloError(QStringLiteral("No speech modes can be listed"));
    g_toneEnumerator->Reset();
    std::vector<TTSModeInfo> modes;
    while (g_toneEnumerator->Next(1, modes) > 0) {
        for (const TTSModeInfo& mode : modes) {
            ToneNames << mode.ModeName;
            ToneModeIds << GuidText(mode.ModeID);
        }
        modes.clear();
    }
}

// Restores a character's sound effects when leaving a scope, also on an
// exception; skipped when the character went meanwhile (a handler run while
// waiting may unload it).
class SoundEffectsGuard {
public:
    SoundEffectsGuard(TAgentCharacter& character, bool on)
        : character_(&character), was_(character.SoundEffectsOn()) {
        character.SetSoundEffectsOn(on);
    }
    ~SoundEffectsGuard() {
        if (character_)
            character_->SetSoundEffectsOn(was_);
    }
    SoundEffectsGuard(const SoundEffectsGuard&) = delete;
    SoundEffectsGuard& operator=(const SoundEffectsGuard&) = delete;

private:
    QPointer<TAgentCharacter> character_;
    bool was_;
};

void appendBookmark(QString& out, int n) {
    out += QStringLiteral("\\Mrk=");
    out += QString::number(n);
    out += QStringLiteral("\\ ");
}

} // namespace

void InitCharsFolder() {
    CharsFolder = AppPath + QStringLiteral("chars/");
}

QStringList CharsFolders() {
    QStringList folders;
    if (!CharsFolder.isEmpty())
        folders << CharsFolder;
    for (const QString& folder : DataFolders(QStringLiteral("chars/")))
        if (!folders.contains(folder))
            folders << folder;
    return folders;
}

void SetToneEnumeratorFactory(ToneEnumeratorFactory factory) {
    g_toneEnumeratorFactory = std::move(factory);
    g_toneEnumerator.reset();
}

void InitAgent(QWidget* owner) {
    if (CharsFolder.isEmpty())
        InitCharsFolder();
    ToneNames.clear();
    ToneModeIds.clear();
    try {
        EnumTones();
    } catch (...) {
        ToneNames.clear();
        ToneModeIds.clear();
        throw;
    }
    delete Agent;
    Agent = new TAgent(owner);
    Agent->SetConnected(true);
}

void DoneAgent() {
    if (Agent) {
        Agent->SetConnected(false);
        delete Agent;
        Agent = nullptr;
    }
    ToneNames.clear();
    ToneModeIds.clear();
}

namespace {
int g_requestWaits = 0;
} // namespace

bool WaitingForRequest() {
    return g_requestWaits > 0;
}

void WaitForRequest(const RequestPtr& request) {
    if (!request)
        return;
    struct Counted {
        Counted() { ++g_requestWaits; }
        ~Counted() { --g_requestWaits; }
    } counted;
    // A request changes its status only while the control handles one of its
    // events, so waiting for the next event instead of spinning loses
    // nothing and leaves the processor to others.
    while (request->Status() == kRequestPending || request->Status() == kRequestInProgress)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

QString BuildSpeechTags(const QString& text, int volume, int pitch, int speed,
                        const QString& voiceType, bool balloonVisible, int* bookmarkCount) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;

    QString r = QStringLiteral("\\Vol=%1\\\\Pit=%2\\\\Spd=%3\\").arg(volume).arg(pitch).arg(speed);
    r.reserve(r.size() + (end - begin) * 2 + 64);
    int n = 1;
    for (qsizetype i = begin; i < end; ++i) {
        const QChar c = text[i];
        if (c == u' ') {
            appendBookmark(r, n);
            ++n;
        } else if (c == u'\\') {
            // The user's backslash is one character of text, never the start
            // of a tag.
            r += QStringLiteral("\\\\");
        } else if (c == u'"' && !balloonVisible) {
            // Inside the quoted part of \Map a quote is written doubled.
            r += QStringLiteral("\"\"");
        } else {
            r += c;
        }
    }
    appendBookmark(r, n);
    if (bookmarkCount)
        *bookmarkCount = n;

    if (!balloonVisible)
        r = QStringLiteral("\\Map=\"") + r + QStringLiteral("\"=\"\"\\");
    if (voiceType == u"Whisper")
        r = QStringLiteral("\\Chr=\"Whisper\"\\") + r;
    else if (voiceType == u"Monotone")
        r = QStringLiteral("\\Chr=\"Monotone\"\\") + r;
    return r;
}

QString GreetingText(const QTime& time) {
    const int ms = time.msecsSinceStartOfDay();
    QString greeting;
    if (ms < 12 * 3600 * 1000)
        greeting = QStringLiteral("Good morning!");
    else if (ms < 18 * 3600 * 1000)
        greeting = QStringLiteral("Good afternoon!");
    else
        greeting = QStringLiteral("Good Evening!");
    return greeting + QStringLiteral(" I'm ready.");
}

TJQChar::TJQChar(const QString& path) {
    LoadCharacter(path);
    VoiceType = QStringLiteral("Normal");
    BalloonVisible = true;
    AnimationOn = true;
    SetLeft(qint16(WorkAreaRight() - Width()));
    SetTop(qint16(WorkAreaBottom() - Height()));
    Volume = 65535;
    Pitch = 50;
    Speed = 150;
}

TJQChar::~TJQChar() {
    try {
        UnloadCharacter();
    } catch (...) {
        // The control is going anyway; a failing hide must not end the program.
    }
}

TAgentCharacter& TJQChar::loaded() const {
    if (!character_)
        throw KaloError(QStringLiteral("No character is loaded"));
    return *character_;
}

void TJQChar::LoadCharacter(const QString& path) {
    if (!Agent)
        throw KaloError(QStringLiteral("The character control is not started"));
    if (loading_)
        throw KaloError(QStringLiteral("Another character is being loaded"));
    struct Loading {
        bool& flag;
        explicit Loading(bool& f) : flag(f) { flag = true; }
        ~Loading() { flag = false; }
    } loading(loading_);

    // The new character is loaded beside the one running, under a name of
    // its own while both are there, so a file that cannot be loaded leaves
    // the running character as it was.
    const QString id = QFileInfo(path).completeBaseName();
    QString staging = id;
    while (Agent->CharacterIds().contains(staging))
        staging += QStringLiteral("~");
    Agent->Load(staging, path); // finished at once; not waited for
    QPointer<TAgentCharacter> next;
    QStringList names;
    qint16 width = 0, height = 0;
    QString tone;
    try {
        next = Agent->Character(staging);
        next->SetLanguageID(9);
        next->SetAutoPopupMenu(false);
        names = next->AnimationNames();
        width = next->Width();
        height = next->Height();
        tone = next->TTSModeID();
    } catch (...) {
        if (Agent)
            Agent->Unload(staging);
        throw;
    }

    // Only now does the old character go. Its hiding is waited for, so
    // handlers run meanwhile; the new one is checked for afterwards.
    try {
        UnloadCharacter();
    } catch (...) {
        // It is gone either way; the new one takes its place.
    }
    if (!next || !Agent)
        throw KaloError(QStringLiteral("The character %1 went while it was being loaded").arg(id));
    try {
        Agent->Rename(staging, id);
    } catch (...) {
        Agent->Unload(staging);
        throw;
    }
    characterId_ = id;
    character_ = next;
    animationNames_ = names;
    savedWidth_ = width_ = width;
    savedHeight_ = height_ = height;
    defaultTone_ = tone;
    SetVisible(false);
}

void TJQChar::UnloadCharacter() {
    if (!character_)
        return;
    try {
        character_->StopAll(QString());
        Hide();
    } catch (...) {
        character_ = nullptr;
        if (Agent)
            Agent->Unload(characterId_);
        throw;
    }
    character_ = nullptr;
    if (Agent)
        Agent->Unload(characterId_);
}

void TJQChar::waitUnlessBehindSpeech(const RequestPtr& request) {
    // The control works through a character's requests in turn: one queued
    // behind a text being spoken would keep the caller, a window's handler,
    // until the text ends. It goes in its turn instead.
    if (!Speaking())
        WaitForRequest(request);
}

void TJQChar::Show() {
    TAgentCharacter& c = loaded();
    if (Speaking() && c.Visible())
        return; // nothing to show, only a wait behind the speech
    waitUnlessBehindSpeech(c.Show(false));
}

void TJQChar::Hide() {
    waitUnlessBehindSpeech(loaded().Hide(false));
}

void TJQChar::SetVisible(bool visible) {
    visible_ = visible;
    if (visible) {
        SetWidth(savedWidth_);
        SetHeight(savedHeight_);
        return;
    }
    if (width_ > 0 && height_ > 0) {
        savedWidth_ = width_;
        savedHeight_ = height_;
    }
    SetWidth(0);
    SetHeight(0);
    // Shown at 0 by 0: able to speak, nothing on screen, and no show sound.
    // A character that is shown already stays so; its show request would
    // only wait behind whatever it is saying.
    TAgentCharacter& c = loaded();
    if (c.Visible())
        return;
    if (Speaking()) {
        // Behind a text being spoken: not waited for, so the show is a fast
        // one, which plays no animation and so no sound.
        c.Show(true);
        return;
    }
    SoundEffectsGuard quiet(c, false);
    WaitForRequest(c.Show(false));
}

qint16 TJQChar::Left() const {
    return loaded().Left();
}

void TJQChar::SetLeft(qint16 left) {
    loaded().SetLeft(left);
}

qint16 TJQChar::Top() const {
    return loaded().Top();
}

void TJQChar::SetTop(qint16 top) {
    loaded().SetTop(top);
}

void TJQChar::SetWidth(qint16 width) {
    width_ = width;
    loaded().SetWidth(width);
}

void TJQChar::SetHeight(qint16 height) {
    height_ = height;
    loaded().SetHeight(height);
}

void TJQChar::SetShownWidth(qint16 width) {
    if (visible_)
        SetWidth(width);
    else if (width > 0)
        savedWidth_ = width;
}

void TJQChar::SetShownHeight(qint16 height) {
    if (visible_)
        SetHeight(height);
    else if (height > 0)
        savedHeight_ = height;
}

bool TJQChar::SoundEffectsOn() const {
    return loaded().SoundEffectsOn();
}

void TJQChar::SetSoundEffectsOn(bool on) {
    loaded().SetSoundEffectsOn(on);
}

void TJQChar::SetTone(const QString& modeId) {
    try {
        loaded().SetTTSModeID(modeId);
    } catch (...) {
        // An unknown or unusable mode keeps the voice the character has.
    }
}

void TJQChar::Stop() {
    loaded().StopAll(QString());
}

void TJQChar::PlayAnimation(const QString& name) {
    if (!AnimationOn)
        return;
    for (const QString& known : animationNames_)
        if (known.compare(name, Qt::CaseInsensitive) == 0) {
            loaded().Play(known); // not waited for
            return;
        }
}

int TJQChar::Speak(const QString& text, bool async) {
    int count = 0;
    const QString tagged =
        BuildSpeechTags(text, Volume, Pitch, Speed, VoiceType, BalloonVisible, &count);
    bookmarkCount_ = count;
    RequestPtr request = loaded().Speak(tagged, QString());
    // Kept while anybody holds the request: the control while it is queued
    // or running, and whoever was told it failed.
    std::erase_if(speeches_, [](const std::weak_ptr<TAgentRequest>& s) { return s.expired(); });
    speeches_.push_back(request);
    // Tokens run on across characters and controllers, so a text of a
    // character that went is never taken for one of the next.
    static int lastToken = 0;
    lastToken = lastToken == std::numeric_limits<int>::max() ? 1 : lastToken + 1;
    const int token = lastToken;
    dropEnded();
    spoken_.push_back({{token, count}, request});
    if (!async)
        WaitForRequest(request);
    return token;
}

bool TJQChar::IsOwnSpeech(const RequestPtr& request) const {
    if (!request)
        return false;
    for (const std::weak_ptr<TAgentRequest>& s : speeches_)
        if (s.lock() == request)
            return true;
    return false;
}

int TJQChar::Read(const QString& text) {
    PlayAnimation(QStringLiteral("Read"));
    const int token = Speak(text, true);
    PlayAnimation(QStringLiteral("ReadReturn"));
    return token;
}

void TJQChar::dropEnded() const {
    std::erase_if(spoken_, [](const Spoken& s) { return !s.request || s.request->Finished(); });
}

TJQChar::SpokenText TJQChar::SpeakingNow() const {
    dropEnded();
    for (const Spoken& s : spoken_)
        if (s.request->Status() == kRequestInProgress)
            return s.text;
    return {};
}

bool TJQChar::Pending(int token) const {
    dropEnded();
    return std::any_of(spoken_.begin(), spoken_.end(),
                       [token](const Spoken& s) { return s.text.token == token; });
}

bool TJQChar::Speaking() const {
    dropEnded();
    return !spoken_.empty();
}

void TJQChar::Greet() {
    const QTime now = clock_ ? clock_() : QTime::currentTime();
    const QString greeting = GreetingText(now);
    PlayAnimation(QStringLiteral("Wave"));
    Speak(greeting, true);
}

void TJQChar::SetClock(std::function<QTime()> clock) {
    clock_ = std::move(clock);
}

} // namespace kalo
