#include "speech/mspeech.h"

#include <QMetaMethod>

namespace kalo {

namespace {
const char* const kNotInitialized = "Speech Engine not initialized";
const char* const kNotFound = "Specified Speech Engine not found";
const char* const kNotSelected = "Speech Engine not selected";
// Error and warning texts are passed on with at most this many characters.
constexpr qsizetype kMessageLimit = 512;
} // namespace

// --- notification sinks -----------------------------------------------------

void TTSNotifySink::AttribChanged(quint32 attribute) {
    if (owner_)
        emit owner_->OnAttribChanged(attribute);
}

void TTSNotifySink::AudioStart(qint64) {
    if (owner_)
        emit owner_->OnStart();
}

void TTSNotifySink::AudioStop(qint64) {
    if (!owner_)
        return;
    // The WAV file is complete before anyone hears of the stop.
    if (owner_->fileDestination_)
        owner_->fileDestination_->Flush();
    emit owner_->OnStop();
}

void TTSNotifySink::Visual(qint64, const QString&, quint32 hints, const TTSMouth& mouth) {
    if (owner_)
        emit owner_->OnVisual(hints, mouth);
}

void TTSNotifySink::Error(qint32 code, const QString& message) {
    if (owner_)
        emit owner_->OnError(code, message.left(kMessageLimit));
}

void TTSNotifySink::Warning(qint32 code, const QString& message) {
    if (owner_)
        emit owner_->OnWarning(code, message.left(kMessageLimit));
}

bool TTSNotifySink::WantsVisual() const {
    return owner_ && owner_->isSignalConnected(QMetaMethod::fromSignal(&TMSpeech::OnVisual));
}

void TTSBufNotifySink::WordPosition(qint64 timeMs, quint32 offset) {
    if (!owner_)
        return;
    owner_->wordPosition_ = qint32(offset);
    emit owner_->OnWordPosition(timeMs, qint32(offset));
}

void TTSBufNotifySink::TextDataDone(qint64) {
    if (owner_ && owner_->pendingTexts_ > 0)
        --owner_->pendingTexts_;
}

// --- the component ----------------------------------------------------------

TMSpeech::TMSpeech(QObject* owner, EnumeratorFactory enumerator) : QObject(owner) {
    version_ = QStringLiteral("Kalotalk speech component 1.0");
    initialized_ = true;
    selected_ = false;
    try {
        enumerator_ = enumerator ? enumerator() : std::make_shared<TTSEnum>();
        if (!enumerator_)
            throw KaloError(QString::fromLatin1(kNotInitialized));
        enumerator_->Reset();
        std::vector<TTSModeInfo> one;
        while (enumerator_->Next(1, one) == 1) {
            engineNames_.append(one.back().ModeName);
            one.clear();
        }
    } catch (const std::exception&) {
        initialized_ = false;
        Enabled = false;
        engineNames_.clear();
    }
}

TMSpeech::~TMSpeech() {
    initialized_ = false;
    releaseEngine();
    enumerator_.reset();
}

void TMSpeech::releaseEngine() {
    if (registrationKey_ != 0 && central_) {
        try {
            central_->UnRegister(registrationKey_);
        } catch (const KaloError&) {
        }
    }
    registrationKey_ = 0;
    pendingTexts_ = 0;
    attributes_.reset();
    dialogs_.reset();
    central_.reset(); // stops whatever it was speaking
    fileDestination_.reset();
    deviceDestination_.reset();
}

void TMSpeech::SelectEngine(const QString& name) {
    if (!initialized_)
        throw EMSpeechException(QString::fromLatin1(kNotInitialized));
    qsizetype index = -1;
    for (qsizetype i = 0; i < engineNames_.size(); ++i) {
        if (engineNames_[i].compare(name, Qt::CaseInsensitive) == 0) {
            index = i;
            break;
        }
    }
    if (index < 0)
        throw EMSpeechException(QString::fromLatin1(kNotFound));
    selected_ = true;
    try {
        std::shared_ptr<IAudioDestination> destination;
        std::shared_ptr<IAudioFile> file;
        std::shared_ptr<IAudioMultiMediaDevice> device;
        if (Output == soFile)
            destination = file = CreateAudioFile(FileFormat);
        else
            destination = device = CreateAudioDevice(DeviceKind);
        // Everything of the previous selection goes: it stops speaking and
        // reports nothing more.
        releaseEngine();
        notifySink_ = std::make_shared<TTSNotifySink>(this);
        bufSink_ = std::make_shared<TTSBufNotifySink>(this);

        enumerator_->Reset();
        std::vector<TTSModeInfo> found;
        if (index > 0 && !enumerator_->Skip(int(index)))
            throw KaloError(QString::fromLatin1(kNotFound));
        if (enumerator_->Next(1, found) != 1)
            throw KaloError(QString::fromLatin1(kNotFound));
        modeDescription_ = std::make_unique<TTSModeInfo>(found.front());

        central_ = enumerator_->Select(modeDescription_->ModeID, destination);
        fileDestination_ = file;
        deviceDestination_ = device;
        attributes_ = central_->Attributes();
        dialogs_ = central_->Dialogs();
        registrationKey_ = central_->Register(notifySink_);
        fillEngineInfo(*modeDescription_);
        probeRanges();
    } catch (const std::exception&) {
        selected_ = false;
        releaseEngine();
    }
}

void TMSpeech::fillEngineInfo(const TTSModeInfo& mode) {
    engineInfo_.ModeName = mode.ModeName;
    engineInfo_.Dialect = mode.Dialect;
    engineInfo_.MfgName = mode.MfgName;
    engineInfo_.ProductName = mode.ProductName;
    engineInfo_.ModeID = GuidText(mode.ModeID);
    engineInfo_.EngineID = GuidText(mode.EngineID);
    engineInfo_.Speaker = mode.Speaker;
    engineInfo_.Style = mode.Style;
    switch (mode.Gender) {
    case GENDER_NEUTRAL:
        engineInfo_.Gender = QStringLiteral("NEUTRAL");
        break;
    case GENDER_FEMALE:
        engineInfo_.Gender = QStringLiteral("FEMALE");
        break;
    case GENDER_MALE:
        engineInfo_.Gender = QStringLiteral("MALE");
        break;
    default:
        break; // an unknown code leaves the previous text
    }
    engineInfo_.Age = mode.Age;
    engineInfo_.Features = mode.Features;
    engineInfo_.Interfaces = mode.Interfaces;
}

void TMSpeech::probeRanges() {
    ITTSAttributesA& a = *attributes_;
    const quint16 pitch = a.PitchGet();
    a.PitchSet(65535);
    engineInfo_.PitchMax = a.PitchGet();
    a.PitchSet(0);
    engineInfo_.PitchMin = a.PitchGet();
    a.PitchSet(pitch);

    const quint32 realTime = a.RealTimeGet();
    a.RealTimeSet(0xFFFFFFFFu);
    engineInfo_.RealTimeMax = a.RealTimeGet();
    a.RealTimeSet(0);
    engineInfo_.RealTimeMin = a.RealTimeGet();
    a.RealTimeSet(realTime);

    const quint32 speed = a.SpeedGet();
    a.SpeedSet(0xFFFFFFFFu);
    engineInfo_.SpeedMax = a.SpeedGet();
    a.SpeedSet(0);
    engineInfo_.SpeedMin = a.SpeedGet();
    a.SpeedSet(speed);

    engineInfo_.VolumeMax = 100;
    engineInfo_.VolumeMin = 0;
}

bool TMSpeech::Speak() {
    QString all;
    for (const QString& line : Text)
        all += line + QStringLiteral("\r\n");
    return SpeakString(all);
}

bool TMSpeech::SpeakString(const QString& text) {
    if (!Enabled)
        return false;
    if (!initialized_)
        throw EMSpeechException(QString::fromLatin1(kNotInitialized));
    if (!selected_)
        throw EMSpeechException(QString::fromLatin1(kNotSelected));
    paused_ = false;
    try {
        if (Output == soFile && (!fileDestination_ || !fileDestination_->Set(Filename, 1)))
            return false;
        // The position of a previous text means nothing in this one.
        wordPosition_ = 0;
        // Not paused any more means the engine is not either: a paused
        // central would hold the new text back for good.
        central_->AudioResume();
        central_->TextData(text, bufSink_);
        ++pendingTexts_;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TMSpeech::requireCentral() const {
    if (!central_)
        throw EMSpeechException(QString::fromLatin1(kNotSelected));
}

void TMSpeech::Pause() {
    requireCentral();
    central_->AudioPause();
    paused_ = true;
}

void TMSpeech::Resume() {
    requireCentral();
    central_->AudioResume();
    paused_ = false;
}

void TMSpeech::Stop() {
    paused_ = false;
    pendingTexts_ = 0;
    requireCentral();
    central_->AudioReset();
    // A stop while paused leaves the engine ready for the next text.
    central_->AudioResume();
}

void TMSpeech::GetInterface(int kind, std::shared_ptr<IAudioFile>& out) const {
    if (kind == 0 && Output == soFile && fileDestination_)
        out = fileDestination_;
}

void TMSpeech::GetInterface(int kind, std::shared_ptr<IAudioMultiMediaDevice>& out) const {
    if (kind == 0 && Output == soGeneral && deviceDestination_)
        out = deviceDestination_;
}

void TMSpeech::GetInterface(int kind, std::shared_ptr<IAudioDestination>& out) const {
    if (kind != 0)
        return;
    if (Output == soFile && fileDestination_)
        out = fileDestination_;
    else if (Output == soGeneral && deviceDestination_)
        out = deviceDestination_;
}

void TMSpeech::GetInterface(int kind, std::shared_ptr<ITTSCentralA>& out) const {
    if (kind == 1 && central_)
        out = central_;
}

void TMSpeech::GetInterface(int kind, std::shared_ptr<ITTSAttributesA>& out) const {
    if (kind == 2 && attributes_)
        out = attributes_;
}

void TMSpeech::GetInterface(int kind, std::shared_ptr<ITTSDialogsA>& out) const {
    if (kind == 3 && dialogs_)
        out = dialogs_;
}

} // namespace kalo
