// A deterministic engine for tests: 1000 samples a second, so a sample is a
// millisecond. Every character of a word sounds for `msPerChar` samples at
// level 1000, every other character is `msPerGap` samples of silence; a
// word is reported where it starts, with its first letter as a phoneme. It
// keeps a log of what it was asked.
#pragma once

#include "speech/tts_engine.h"

#include <QMutex>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace kalo::test {

class FakeEngine : public ITTSEngine {
public:
    explicit FakeEngine(QStringList names = {QStringLiteral("Fake Voice")});

    QString Name() const override { return QStringLiteral("Fake"); }
    QUuid EngineID() const override;
    std::vector<TTSModeInfo> Modes() override;
    int SampleRate(const TTSModeInfo&) const override { return sampleRate; }
    TTSVisualShape MouthShape(const QString& phoneme) const override {
        return MouthForPhoneme(phoneme);
    }
    TTSEngineRanges Ranges() const override;
    QString About() const override { return QStringLiteral("Fake engine"); }
    void Synthesize(const TTSModeInfo& mode, const QByteArray& utf8, const TTSVoiceParams& params,
                    ITTSSynthOutput& out) override;

    // How the audio of the text would last, in samples.
    qint64 lengthOf(const QString& text) const;

    int msPerChar = 20;
    int msPerGap = 30;
    // Another rate leaves the lengths in samples as they are.
    int sampleRate = 1000;
    bool failModes = false; // Modes() throws
    QString failSynthesis;  // Synthesize throws this message when set
    // After the first word the engine waits until release() (or a stop).
    bool holdAfterFirstWord = false;
    void release();

    struct Call {
        QString text;
        TTSVoiceParams params;
    };
    std::vector<Call> calls() const;
    std::atomic<qint64> produced{0};   // samples handed out
    std::atomic<bool> finished{false}; // the last Synthesize call returned

private:
    QStringList names_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool isReleased_ = false;
    std::vector<Call> calls_;
};

} // namespace kalo::test
