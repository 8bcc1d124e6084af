// TMSpeech: the speech component of the converter. It lists the installed
// modes by name, selects one by name for the sound device or a WAV file,
// speaks text, pauses, resumes and stops, and reports the engine's
// progress as Qt signals on the user-interface thread. An unconnected
// signal is an event nobody handles.
#pragma once

#include "base/kalo_error.h"
#include "speech/audio_destinations.h"
#include "speech/tts_central.h"
#include "speech/tts_enum.h"
#include "speech/tts_types.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

namespace kalo {

// Where the next selected engine speaks to.
enum TSpeechOutput { soFile, soGeneral };

// The selected mode, as read from its description, with the probed ranges.
struct TMSpeechEngineInfo {
    QString ModeName;
    QString Dialect;
    QString MfgName;
    QString ProductName;
    QString ModeID;
    QString EngineID;
    QString Speaker;
    QString Style;
    QString Gender; // "NEUTRAL", "FEMALE" or "MALE"
    qint32 Age = 0;
    quint32 Features = 0;
    quint32 Interfaces = 0;
    quint16 PitchMax = 0;
    quint16 PitchMin = 0;
    quint32 RealTimeMax = 0;
    quint32 RealTimeMin = 0;
    quint32 SpeedMax = 0;
    quint32 SpeedMin = 0;
    qint32 VolumeMax = 100;
    qint32 VolumeMin = 0;
};

// The component's own failures, with fixed messages.
class EMSpeechException : public KaloError {
public:
    using KaloError::KaloError;
};

class TMSpeech;

// Receives the central's audio notifications for a TMSpeech.
class TTSNotifySink : public ITTSNotifySink2A {
public:
    explicit TTSNotifySink(TMSpeech* owner) : owner_(owner) {}
    void AttribChanged(quint32 attribute) override;
    void AudioStart(qint64 timeMs) override;
    void AudioStop(qint64 timeMs) override;
    void Visual(qint64 timeMs, const QString& phoneme, quint32 hints,
                const TTSMouth& mouth) override;
    void Error(qint32 code, const QString& message) override;
    void Warning(qint32 code, const QString& message) override;
    // Only while OnVisual is connected.
    bool WantsVisual() const override;

private:
    QPointer<TMSpeech> owner_;
};

// Follows the words of the text being spoken for a TMSpeech.
class TTSBufNotifySink : public ITTSBufNotifySink {
public:
    explicit TTSBufNotifySink(TMSpeech* owner) : owner_(owner) {}
    void WordPosition(qint64 timeMs, quint32 offset) override;
    void TextDataDone(qint64 timeMs) override;

private:
    QPointer<TMSpeech> owner_;
};

class TMSpeech : public QObject {
    Q_OBJECT
public:
    // Makes the mode enumerator; by default one over DefaultTTSEngines().
    using EnumeratorFactory = std::function<std::shared_ptr<ITTSEnumA>()>;

    // Reads the installed modes. When that fails the component stays
    // without engines, with Enabled false; nothing is reported.
    explicit TMSpeech(QObject* owner = nullptr, EnumeratorFactory enumerator = {});
    ~TMSpeech() override;

    // false: SpeakString does nothing.
    bool Enabled = true;
    // Where the next SelectEngine speaks to; changing it later has no effect
    // on the selected engine.
    TSpeechOutput Output = soGeneral;
    // The WAV file written when Output is soFile.
    QString Filename;
    // The kind of file soFile writes (WAV unless set otherwise); like
    // Output, it takes effect at the next SelectEngine.
    AudioFileFormat FileFormat = AudioFileFormat::Wav;
    // What Speak speaks.
    QStringList Text;
    // The sound device soGeneral selects: the default output, or the null
    // device that plays silently in real time.
    AudioDeviceKind DeviceKind = AudioDeviceKind::Default;

    // Mode names of all installed modes, in enumeration order.
    const QStringList& EngineNames() const { return engineNames_; }
    const TMSpeechEngineInfo& EngineInfo() const { return engineInfo_; }
    bool Paused() const { return paused_; }
    // A text handed over has not been spoken (or written) to its end yet;
    // false after its end and after Stop. Paused with no text pending means
    // the pause came as the text ended: nothing is left to resume.
    bool TextPending() const { return pendingTexts_ > 0; }
    // UTF-16 offset, in the text last given to the engine, of the word being
    // spoken.
    qint32 WordPosition() const { return wordPosition_; }
    bool Initialized() const { return initialized_; }
    bool Selected() const { return selected_; }
    QString Version() const { return version_; }
    // Kept apart; the version label does not change.
    void SetVersion(const QString& text) { versionWritten_ = text; }

    // Selects the first mode whose name matches without regard to letter
    // case, for the current Output. Throws EMSpeechException with "Speech
    // Engine not initialized" or "Specified Speech Engine not found"; any
    // later failure leaves Selected false without a report.
    void SelectEngine(const QString& name);
    // SpeakString with the lines of Text, each ended by CR LF.
    bool Speak();
    // Hands the text to the selected engine; true when it was taken. Does
    // nothing while Enabled is false. Throws EMSpeechException with "Speech
    // Engine not initialized" or "Speech Engine not selected". For soFile a
    // file that cannot be created means no speech and no notification.
    bool SpeakString(const QString& text);
    // Pause, Resume and Stop need a selected engine (EMSpeechException
    // "Speech Engine not selected" otherwise).
    void Pause();
    void Resume();
    void Stop();

    // kind 0: the audio destination of the current Output (IAudioFile for
    // soFile, IAudioMultiMediaDevice for soGeneral); 1: the central; 2: the
    // attributes; 3: the dialogs. A kind without an object of out's type
    // leaves out untouched.
    void GetInterface(int kind, std::shared_ptr<IAudioFile>& out) const;
    void GetInterface(int kind, std::shared_ptr<IAudioMultiMediaDevice>& out) const;
    void GetInterface(int kind, std::shared_ptr<IAudioDestination>& out) const;
    void GetInterface(int kind, std::shared_ptr<ITTSCentralA>& out) const;
    void GetInterface(int kind, std::shared_ptr<ITTSAttributesA>& out) const;
    void GetInterface(int kind, std::shared_ptr<ITTSDialogsA>& out) const;

signals:
    void OnAttribChanged(quint32 attribute);
    void OnError(int code, const QString& message);
    void OnStart();
    void OnStop();
    void OnWarning(int code, const QString& message);
    void OnVisual(quint32 hints, const kalo::TTSMouth& mouth);
    // A word of the text begins: its UTF-16 offset (as WordPosition) and
    // where it starts in the text's audio, in milliseconds.
    void OnWordPosition(qint64 timeMs, qint32 offset);

private:
    friend class TTSNotifySink;
    friend class TTSBufNotifySink;
    void requireCentral() const;
    void fillEngineInfo(const TTSModeInfo& mode);
    void probeRanges();
    void releaseEngine();

    QStringList engineNames_;
    TMSpeechEngineInfo engineInfo_;
    bool initialized_ = false;
    bool selected_ = false;
    bool paused_ = false;
    int pendingTexts_ = 0;
    qint32 wordPosition_ = 0;
    QString version_;
    QString versionWritten_;

    std::shared_ptr<ITTSEnumA> enumerator_;
    std::shared_ptr<IAudioFile> fileDestination_;
    std::shared_ptr<IAudioMultiMediaDevice> deviceDestination_;
    std::shared_ptr<ITTSCentralA> central_;
    std::shared_ptr<ITTSAttributesA> attributes_;
    std::shared_ptr<ITTSDialogsA> dialogs_;
    quint32 registrationKey_ = 0;
    std::shared_ptr<TTSNotifySink> notifySink_;
    std::shared_ptr<TTSBufNotifySink> bufSink_;
    std::unique_ptr<TTSModeInfo> modeDescription_;
};

} // namespace kalo
