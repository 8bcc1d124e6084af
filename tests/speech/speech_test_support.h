// What the speech tests share: a sink that logs every notification with the
// time it arrived, and a quick way to a central.
#pragma once

#include "speech/tts_central.h"
#include "speech/tts_enum.h"
#include "support/test_support.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QtEndian>

#include <memory>
#include <vector>

namespace kalo::test {

class Recorder : public ITTSNotifySink2A, public ITTSBufNotifySink {
public:
    struct Entry {
        QString kind; // start stop word mark error warning visual attrib started done
        qint64 value = 0;
        qint64 atMs = 0; // since the recorder was made
        QString text;
        qint64 audioMs = 0; // place in the audio, as the notification tells
    };
    Recorder() { clock.start(); }

    void AttribChanged(quint32 a) override { add(QStringLiteral("attrib"), a); }
    void AudioStart(qint64) override { add(QStringLiteral("start"), 0); }
    void AudioStop(qint64) override { add(QStringLiteral("stop"), 0); }
    void Visual(qint64, const QString& p, quint32 hints, const TTSMouth&) override {
        add(QStringLiteral("visual"), hints, p);
    }
    void Error(qint32 code, const QString& m) override { add(QStringLiteral("error"), code, m); }
    void Warning(qint32 code, const QString& m) override {
        add(QStringLiteral("warning"), code, m);
    }
    void TextDataStarted(qint64) override { add(QStringLiteral("started"), 0); }
    void TextDataDone(qint64) override { add(QStringLiteral("done"), 0); }
    void BookMark(qint64 ms, quint32 mark) override { add(QStringLiteral("mark"), mark, {}, ms); }
    void WordPosition(qint64 ms, quint32 offset) override {
        add(QStringLiteral("word"), offset, {}, ms);
    }

    int count(const QString& kind) const {
        int n = 0;
        for (const Entry& e : log)
            n += e.kind == kind;
        return n;
    }
    std::vector<qint64> values(const QString& kind) const {
        std::vector<qint64> v;
        for (const Entry& e : log)
            if (e.kind == kind)
                v.push_back(e.value);
        return v;
    }
    // The kinds in order, without visual notifications, joined by spaces.
    QString sequence() const {
        QStringList kinds;
        for (const Entry& e : log)
            if (e.kind != u"visual")
                kinds << (e.kind == u"word" || e.kind == u"mark" ? e.kind + QString::number(e.value)
                                                                 : e.kind);
        return kinds.join(u' ');
    }
    const Entry* first(const QString& kind) const {
        for (const Entry& e : log)
            if (e.kind == kind)
                return &e;
        return nullptr;
    }
    const Entry* last(const QString& kind) const {
        for (auto it = log.rbegin(); it != log.rend(); ++it)
            if (it->kind == kind)
                return &*it;
        return nullptr;
    }
    bool waitFor(const QString& kind, int n = 1, int timeoutMs = 10000) {
        return kalo::test::waitFor([&] { return count(kind) >= n; }, timeoutMs);
    }

    std::vector<Entry> log;
    QElapsedTimer clock;

private:
    void add(const QString& kind, qint64 value, const QString& text = {}, qint64 audioMs = 0) {
        log.push_back({kind, value, clock.elapsed(), text, audioMs});
    }
};

// A central for the first mode of the engine, with rec registered and
// following its texts.
struct CentralUnderTest {
    std::shared_ptr<ITTSCentralA> central;
    std::shared_ptr<Recorder> rec = std::make_shared<Recorder>();

    CentralUnderTest(std::shared_ptr<ITTSEngine> engine,
                     std::shared_ptr<IAudioDestination> destination, int mode = 0) {
        TTSEnum modes({engine});
        central = modes.Select(modes.AllModes().at(size_t(mode)).ModeID, std::move(destination));
        central->Register(rec);
    }
    void speak(const QString& text) { central->TextData(text, rec); }
    void speak(const TTSMarkedText& text) { central->TextData(text, rec); }
};

// A WAV file as read back: the header's claims and the data behind it.
struct WavFile {
    bool riff = false;       // RIFF/WAVE with a PCM format block and a data block
    bool sizesMatch = false; // the header's sizes agree with the file's length
    int rate = 0;
    int channels = 0;
    int bits = 0;
    std::vector<qint16> samples;
    double seconds() const { return rate ? double(samples.size()) / rate : 0; }
};

inline WavFile readWav(const QString& path) {
    WavFile w;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return w;
    const QByteArray b = f.readAll();
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 8) != "WAVEfmt " ||
        b.mid(36, 4) != "data")
        return w;
    const char* p = b.constData();
    w.riff = qFromLittleEndian<quint16>(p + 20) == 1;
    w.channels = qFromLittleEndian<quint16>(p + 22);
    w.rate = int(qFromLittleEndian<quint32>(p + 24));
    w.bits = qFromLittleEndian<quint16>(p + 34);
    const quint32 data = qFromLittleEndian<quint32>(p + 40);
    w.sizesMatch = qFromLittleEndian<quint32>(p + 4) == quint32(b.size() - 8) &&
                   data == quint32(b.size() - 44);
    w.samples.resize(size_t(b.size() - 44) / 2);
    for (size_t i = 0; i < w.samples.size(); ++i)
        w.samples[i] = qFromLittleEndian<qint16>(p + 44 + 2 * i);
    return w;
}

struct ProcessResult {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs a program to its end (at most timeoutMs), feeding it input.
inline ProcessResult run(const QString& program, const QStringList& args,
                         const QByteArray& input = {}, int timeoutMs = 60000) {
    QProcess p;
    p.start(program, args);
    ProcessResult r;
    if (!p.waitForStarted(10000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace kalo::test
