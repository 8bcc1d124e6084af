#include "agent/character_voice.h"

#include "agent/voice_mapping.h"
#include "base/kalo_error.h"

namespace kalo {

// Forwards the notifications of the text being spoken; those of a text
// replaced or stopped are dropped by its generation.
class CharacterVoice::Sink : public ITTSBufNotifySink {
public:
    Sink(CharacterVoice* voice, quint64 generation) : voice_(voice), generation_(generation) {}
    void Detach() { voice_ = nullptr; }

    void TextDataStarted(qint64) override {
        if (auto* v = current(); v && v->callbacks_.started)
            v->callbacks_.started();
    }
    void WordPosition(qint64, quint32 offset) override {
        if (auto* v = current(); v && v->callbacks_.word)
            v->callbacks_.word(offset);
    }
    void BookMark(qint64, quint32 mark) override {
        if (auto* v = current(); v && v->callbacks_.bookmark)
            v->callbacks_.bookmark(mark);
    }
    void TextDataDone(qint64) override {
        CharacterVoice* v = current();
        if (!v)
            return;
        v->speaking_ = false;
        Callbacks callbacks = v->callbacks_; // the callback may start the next text
        if (callbacks.mouth)
            callbacks.mouth(0);
        if (callbacks.done)
            callbacks.done();
    }

private:
    CharacterVoice* current() const {
        return voice_ && voice_->speaking_ && voice_->generation_ == generation_ ? voice_ : nullptr;
    }
    CharacterVoice* voice_;
    quint64 generation_;
};

// The visual notifications go to every registered sink; the one registered
// follows whichever text is current.
class VisualForwarder : public ITTSNotifySink2A {
public:
    std::function<void(const TTSMouth&, quint32)> forward;
    void Visual(qint64, const QString&, quint32 hints, const TTSMouth& mouth) override {
        if (forward)
            forward(mouth, hints);
    }
};

CharacterVoice::CharacterVoice(std::shared_ptr<TTSEnum> modes, AudioDeviceKind device)
    : modes_(std::move(modes)), device_(device) {}

CharacterVoice::~CharacterVoice() {
    Stop();
    if (sink_)
        sink_->Detach();
}

const std::vector<TTSModeInfo>& CharacterVoice::Modes() const {
    static const std::vector<TTSModeInfo> none;
    return modes_ ? modes_->AllModes() : none;
}

void CharacterVoice::SetMode(const QUuid& mode) {
    bool known = false;
    for (const TTSModeInfo& m : Modes())
        known = known || m.ModeID == mode;
    if (!known)
        throw KaloError(QStringLiteral("No speech mode has the identifier %1").arg(GuidText(mode)));
    // A text in progress goes on in its mode; the next one uses this.
    mode_ = mode;
}

TTSEngineRanges CharacterVoice::Ranges() {
    return central()->Attributes()->Ranges();
}

std::shared_ptr<ITTSCentralA> CharacterVoice::central() {
    if (central_ && (centralMode_ == mode_ || speaking_))
        return central_;
    if (central_) {
        central_.reset(); // the mode changed since: made again for it
        centralMode_ = {};
    }
    if (!modes_ || mode_.isNull())
        throw KaloError(QStringLiteral("No speech mode is installed"));
    central_ = modes_->Select(mode_, CreateAudioDevice(device_));
    centralMode_ = mode_;
    auto visual = std::make_shared<VisualForwarder>();
    visual->forward = [this](const TTSMouth& mouth, quint32 hints) {
        if (speaking_ && callbacks_.mouth)
            callbacks_.mouth(MouthPicture(mouth, hints));
    };
    central_->Register(visual);
    return central_;
}

void CharacterVoice::Speak(const TTSMarkedText& text, Callbacks callbacks) {
    Stop();
    auto c = central();
    callbacks_ = std::move(callbacks);
    ++generation_;
    if (sink_)
        sink_->Detach();
    sink_ = std::make_shared<Sink>(this, generation_);
    speaking_ = true;
    c->TextData(text, sink_);
}

void CharacterVoice::Stop() {
    if (!speaking_)
        return;
    speaking_ = false;
    ++generation_;
    if (central_)
        central_->AudioReset();
}

} // namespace kalo
