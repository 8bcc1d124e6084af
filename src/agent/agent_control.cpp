#include "agent/agent_control.h"

#include "agent/acs_file.h"
#include "agent/character_player.h"
#include "agent/character_voice.h"
#include "agent/character_window.h"
#include "agent/sound_effects.h"
#include "agent/voice_mapping.h"
#include "base/kalo_error.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <map>

namespace kalo {

namespace {

// How long a balloon stays after its speech has ended.
constexpr int kBalloonLingerMs = 1500;
// Frame sounds kept ready to play (each at most four seconds at 22 kHz).
constexpr size_t kPreparedSoundsKept = 48;

// The installed speech modes, read once for all characters; null when no
// engine runs (speaking then fails).
std::shared_ptr<TTSEnum> SharedModes() {
    static std::weak_ptr<TTSEnum> shared;
    if (auto modes = shared.lock())
        return modes;
    try {
        auto modes = std::make_shared<TTSEnum>();
        shared = modes;
        return modes;
    } catch (const KaloError&) {
        return nullptr;
    }
}

} // namespace

struct AgentCharacterPrivate {
    TAgent* agent = nullptr;
    QString id;
    std::shared_ptr<const acs::Character> character;
    std::shared_ptr<TTSEnum> modes;
    std::unique_ptr<CharacterVoice> voice;
    std::unique_ptr<CharacterPlayer> player;
    std::unique_ptr<SoundEffects> sounds;
    AudioDeviceKind device = AudioDeviceKind::Default;
    // Frame sounds as they play (four seconds at most each), by sound index.
    std::map<int, std::vector<qint16>> prepared;
    std::unique_ptr<CharacterWindow> window;
    std::unique_ptr<BalloonWindow> balloon;
    QTimer balloonLinger;
    qint16 left = 0;
    qint16 top = 0;
    qint16 width = 0;
    qint16 height = 0;
    int languageId = 0x0409;
    bool autoPopup = true;
    bool soundOn = true;
    bool modeChosen = false; // through SetTTSModeID
    bool balloonShown = false;
    qsizetype lastReveal = 0; // where the balloon's text is shown up to

    // Where the character is drawn: at Left, Top, in its Width and Height
    // bound to the screen it is on (DrawnSize).
    QRect screenRect() const {
        const QPoint at(left, top);
        QScreen* screen = QGuiApplication::screenAt(at);
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        return {at, DrawnSize(QSize(width, height), QSize(character->width, character->height),
                              screen ? screen->geometry().size() : QSize())};
    }
    bool onScreen() const { return player->Visible() && width > 0 && height > 0; }

    bool balloonWanted() const {
        const acs::Character& c = *character;
        return c.balloon && c.BalloonEnabled() && !(c.flags & acs::kBalloonDisabled);
    }

    void render() {
        if (!onScreen()) {
            if (window)
                window->hide();
            if (balloon)
                balloon->hide();
            return;
        }
        const acs::Frame* frame = player->PictureFrameData();
        if (!frame) {
            if (window)
                window->hide();
            return;
        }
        if (!window) {
            window = std::make_unique<CharacterWindow>();
            TAgentCharacter* self = agent->characters_.at(id).get();
            QObject::connect(window.get(), &CharacterWindow::Clicked, self,
                             [this](int button, int shift, QPoint at) {
                                 emit agent->Click(id, qint16(button), qint16(shift),
                                                   qint16(at.x()), qint16(at.y()));
                             });
            QObject::connect(window.get(), &CharacterWindow::Dragged, self, [this](QPoint at) {
                left = qint16(at.x());
                top = qint16(at.y());
                if (balloon && balloon->isVisible())
                    balloon->Reveal(lastReveal, screenRect());
            });
        }
        const acs::MouthOverlay* mouth = player->CurrentMouth();
        try {
            window->SetPicture(acs::ComposeFrame(*character, *frame, mouth),
                               acs::FrameRegion(*character, *frame, mouth), screenRect());
        } catch (const std::exception&) {
            // Runs from the player's signals, which nothing may leave: a
            // picture that cannot be made (out of memory) is not shown.
            window->hide();
        }
    }

    void balloonStart(const QString& text) {
        balloonLinger.stop();
        balloonShown = false;
        if (balloon)
            balloon->hide();
        if (!balloonWanted() || text.trimmed().isEmpty())
            return;
        if (!balloon) {
            BalloonStyle style = StyleFromCharacter(*character->balloon);
            style.sizeToText = character->BalloonSizeToText();
            balloon = std::make_unique<BalloonWindow>(style);
        }
        balloon->SetText(text);
        balloonShown = true;
        lastReveal = 0;
    }

    void balloonReveal(qsizetype position) {
        if (!balloonShown || !balloon)
            return;
        lastReveal = position;
        if (onScreen())
            balloon->Reveal(position, screenRect());
    }

    void balloonEnd(bool stopped) {
        if (!balloon || !balloonShown)
            return;
        if (stopped) {
            balloon->hide();
            balloonShown = false;
        } else if (!(character->flags & acs::kBalloonAutoHideDisabled)) {
            balloonLinger.start(kBalloonLingerMs);
        }
    }

    // Runs from the player's signal: nothing may escape it.
    void frameSound(int index) noexcept {
        if (!soundOn || index < 0 || size_t(index) >= character->sounds.size())
            return;
        try {
            auto it = prepared.find(index);
            if (it == prepared.end()) {
                std::vector<qint16> samples;
                try {
                    const acs::DecodedSound s = acs::DecodeSound(character->sounds[size_t(index)]);
                    samples = SoundEffects::Prepare(s.samples, s.sampleRate);
                } catch (const KaloError&) {
                    // A sound we cannot read stays silent; the animation goes on.
                }
                // A character may name thousands of sounds; keep a few dozen.
                if (prepared.size() >= kPreparedSoundsKept)
                    prepared.clear();
                it = prepared.emplace(index, std::move(samples)).first;
            }
            if (it->second.empty())
                return;
            if (!sounds)
                sounds = std::make_unique<SoundEffects>(device);
            sounds->PlayPrepared(it->second);
        } catch (const std::exception&) {
            // Out of memory or the sound device failing: the sound is lost,
            // the character goes on.
        }
    }

    // The installed mode closest to the character's own voice, or to its
    // language when it has none.
    void pickMode() {
        if (!voice || voice->Modes().empty())
            return;
        const auto& modes = voice->Modes();
        const acs::Character& c = *character;
        if (c.voice && !c.voice->ttsMode.isNull() && !modeChosen)
            for (const TTSModeInfo& m : modes)
                if (m.ModeID == c.voice->ttsMode) {
                    voice->SetMode(m.ModeID);
                    return;
                }
        quint16 lang = quint16(languageId);
        quint16 gender = GENDER_NEUTRAL;
        if (c.voice && c.voice->hasExtra) {
            gender = c.voice->gender;
            if (c.voice->languageId != 0 && (c.voice->languageId & 0x3FF) == (lang & 0x3FF))
                lang = c.voice->languageId; // the voice's dialect of the language asked for
        }
        const int best = ClosestMode(modes, LanguageCodeForId(lang), gender);
        if (best >= 0)
            voice->SetMode(modes[size_t(best)].ModeID);
    }
};

// --- TAgentCharacter

TAgentCharacter::TAgentCharacter(TAgent* agent, const QString& id, const QString& path)
    : QObject(nullptr), d(std::make_unique<AgentCharacterPrivate>()) {
    d->agent = agent;
    d->id = id;
    d->character = std::make_shared<const acs::Character>(acs::ReadAcsFile(path));
    d->device = agent->silent_ ? AudioDeviceKind::Null : AudioDeviceKind::Default;
    d->width = qint16(d->character->width);
    d->height = qint16(d->character->height);
    if (d->character->voice && d->character->voice->hasExtra && d->character->voice->languageId)
        d->languageId = d->character->voice->languageId;
    d->modes = agent->voiceless_ ? nullptr : SharedModes();
    if (d->modes) {
        d->voice = std::make_unique<CharacterVoice>(d->modes, d->device);
        d->pickMode();
    }
    d->player = std::make_unique<CharacterPlayer>(d->character);
    d->player->SetVoice(d->voice && !d->voice->Mode().isNull() ? d->voice.get() : nullptr);
    AgentVoiceStart start;
    if (d->character->voice) {
        if (d->character->voice->pitch != acs::kDefaultPitch)
            start.pitch = d->character->voice->pitch;
        if (d->character->voice->speed != acs::kDefaultSpeed)
            start.speed = qint64(d->character->voice->speed);
    }
    d->player->SetVoiceStart(start);
    d->balloonLinger.setSingleShot(true);

    AgentCharacterPrivate* p = d.get();
    CharacterPlayer* player = d->player.get();
    connect(player, &CharacterPlayer::PictureChanged, this, [p] { p->render(); });
    connect(player, &CharacterPlayer::VisibleChanged, this, [p] { p->render(); });
    connect(player, &CharacterPlayer::Bookmark, agent, &TAgent::Bookmark);
    connect(player, &CharacterPlayer::RequestFailed, this,
            [p](const RequestPtr& request) { emit p->agent->RequestFailed(p->id, request); });
    connect(player, &CharacterPlayer::FrameSound, this, [p](int i) { p->frameSound(i); });
    connect(player, &CharacterPlayer::StopSounds, this, [p] {
        if (p->sounds)
            p->sounds->Stop();
    });
    connect(player, &CharacterPlayer::BalloonStart, this,
            [p](const QString& text) { p->balloonStart(text); });
    connect(player, &CharacterPlayer::BalloonReveal, this,
            [p](qsizetype at) { p->balloonReveal(at); });
    connect(player, &CharacterPlayer::BalloonEnd, this,
            [p](bool stopped) { p->balloonEnd(stopped); });
    connect(&d->balloonLinger, &QTimer::timeout, this, [p] {
        if (p->balloon)
            p->balloon->hide();
        p->balloonShown = false;
    });
}

TAgentCharacter::~TAgentCharacter() {
    // The player first: it ends the requests and stops the voice.
    d->player.reset();
    d->voice.reset();
    d->sounds.reset();
}

qint16 TAgentCharacter::Left() const {
    return d->left;
}
qint16 TAgentCharacter::Top() const {
    return d->top;
}
qint16 TAgentCharacter::Width() const {
    return d->width;
}
qint16 TAgentCharacter::Height() const {
    return d->height;
}

void TAgentCharacter::SetLeft(qint16 left) {
    d->left = left;
    d->render();
}
void TAgentCharacter::SetTop(qint16 top) {
    d->top = top;
    d->render();
}
void TAgentCharacter::SetWidth(qint16 width) {
    d->width = std::max<qint16>(0, width);
    d->player->SetIdleAllowed(d->width > 0 && d->height > 0);
    d->render();
}
void TAgentCharacter::SetHeight(qint16 height) {
    d->height = std::max<qint16>(0, height);
    d->player->SetIdleAllowed(d->width > 0 && d->height > 0);
    d->render();
}

void TAgentCharacter::SetLanguageID(int languageId) {
    d->languageId = languageId & 0xFFFF;
    if (!d->modeChosen)
        d->pickMode();
}
int TAgentCharacter::LanguageID() const {
    return d->languageId;
}
void TAgentCharacter::SetAutoPopupMenu(bool on) {
    d->autoPopup = on;
}
bool TAgentCharacter::AutoPopupMenu() const {
    return d->autoPopup;
}

QString TAgentCharacter::Name() const {
    const acs::Localized* l = d->character->FindLocalized(quint16(d->languageId));
    return l ? l->name : d->id;
}
QString TAgentCharacter::Description() const {
    const acs::Localized* l = d->character->FindLocalized(quint16(d->languageId));
    return l ? l->description : QString();
}

QStringList TAgentCharacter::AnimationNames() const {
    QStringList names;
    for (const acs::Animation& a : d->character->animations)
        names << a.name;
    return names;
}

bool TAgentCharacter::Visible() const {
    return d->player->Visible();
}
RequestPtr TAgentCharacter::Show(bool fast) {
    return d->player->Show(fast);
}
RequestPtr TAgentCharacter::Hide(bool fast) {
    return d->player->Hide(fast);
}
RequestPtr TAgentCharacter::Play(const QString& animation) {
    return d->player->Play(animation);
}
RequestPtr TAgentCharacter::Speak(const QString& text, const QString&) {
    return d->player->Speak(text);
}
void TAgentCharacter::StopAll(const QString& types) {
    d->player->StopAll(types);
}

bool TAgentCharacter::SoundEffectsOn() const {
    return d->soundOn;
}
void TAgentCharacter::SetSoundEffectsOn(bool on) {
    d->soundOn = on;
    if (!on && d->sounds)
        d->sounds->Stop();
}

QString TAgentCharacter::TTSModeID() const {
    return d->voice && !d->voice->Mode().isNull() ? GuidText(d->voice->Mode()) : QString();
}

void TAgentCharacter::SetTTSModeID(const QString& modeId) {
    const QUuid id = GuidFromText(modeId.trimmed());
    if (!d->voice)
        throw KaloError(QStringLiteral("No speech mode is installed"));
    if (id.isNull())
        throw KaloError(QStringLiteral("%1 is not a speech mode identifier").arg(modeId));
    d->voice->SetMode(id); // throws for a mode that is not installed
    d->modeChosen = true;
    d->player->SetVoice(d->voice.get());
}

bool TAgentCharacter::IdleOn() const {
    return d->player->IdleOn();
}
void TAgentCharacter::SetIdleOn(bool on) {
    d->player->SetIdleOn(on);
}
void TAgentCharacter::SetRandomSource(std::function<int(int)> random) {
    d->player->SetRandomSource(std::move(random));
}
void TAgentCharacter::SetIdleDelays(int level1Ms, int level2Ms, int level3Ms) {
    d->player->SetIdleDelays(level1Ms, level2Ms, level3Ms);
}
QWidget* TAgentCharacter::Window() const {
    return d->window.get();
}
QWidget* TAgentCharacter::BalloonWindow() const {
    return d->balloon.get();
}

int TAgentCharacter::SoundEffectsPlayed() const {
    return d->sounds ? d->sounds->Started() : 0;
}

QString TAgentCharacter::CurrentAnimation() const {
    const int a = d->player->PictureAnimation();
    return a >= 0 ? d->character->animations[size_t(a)].name : QString();
}
int TAgentCharacter::CurrentFrame() const {
    return d->player->PictureFrame();
}

// --- TAgent

TAgent::TAgent(QWidget* owner) : QObject(nullptr), owner_(owner) {}

TAgent::~TAgent() {
    characters_.clear();
}

void TAgent::SetConnected(bool connected) {
    connected_ = connected;
    if (!connected)
        characters_.clear();
}
bool TAgent::Connected() const {
    return connected_;
}

RequestPtr TAgent::Load(const QString& characterId, const QString& path) {
    if (!connected_)
        throw KaloError(QStringLiteral("The character control is not connected"));
    if (characterId.isEmpty())
        throw KaloError(QStringLiteral("A character needs a name to be loaded under"));
    if (characters_.count(characterId))
        throw KaloError(QStringLiteral("A character named %1 is already loaded").arg(characterId));
    // The constructor reads the file and throws for one it cannot use.
    std::unique_ptr<TAgentCharacter> c(new TAgentCharacter(this, characterId, path));
    characters_.emplace(characterId, std::move(c));
    auto request = std::make_shared<TAgentRequest>();
    request->SetStatus(kRequestComplete);
    return request;
}

TAgentCharacter* TAgent::Character(const QString& characterId) {
    auto it = characters_.find(characterId);
    if (it == characters_.end())
        throw KaloError(QStringLiteral("No character named %1 is loaded").arg(characterId));
    return it->second.get();
}

void TAgent::Unload(const QString& characterId) {
    characters_.erase(characterId);
}

void TAgent::Rename(const QString& from, const QString& to) {
    if (from == to)
        return;
    if (to.isEmpty())
        throw KaloError(QStringLiteral("A character needs a name to be loaded under"));
    if (characters_.count(to))
        throw KaloError(QStringLiteral("A character named %1 is already loaded").arg(to));
    auto node = characters_.extract(from);
    if (node.empty())
        throw KaloError(QStringLiteral("No character named %1 is loaded").arg(from));
    node.mapped()->d->id = to;
    node.key() = to;
    characters_.insert(std::move(node));
}

QStringList TAgent::CharacterIds() const {
    QStringList ids;
    for (const auto& [id, c] : characters_)
        ids << id;
    return ids;
}

void TAgent::SetSilentForTests(bool silent) {
    silent_ = silent;
}

} // namespace kalo
