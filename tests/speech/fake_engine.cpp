#include "fake_engine.h"

#include "base/kalo_error.h"

namespace kalo::test {

FakeEngine::FakeEngine(QStringList names) : names_(std::move(names)) {}

QUuid FakeEngine::EngineID() const {
    return QUuid::fromString(u"{11111111-2222-3333-4444-555555555555}");
}

std::vector<TTSModeInfo> FakeEngine::Modes() {
    if (failModes)
        throw KaloError(QStringLiteral("fake engine cannot start"));
    std::vector<TTSModeInfo> modes;
    for (int i = 0; i < names_.size(); ++i) {
        TTSModeInfo m;
        m.ModeName = names_[i];
        m.EngineID = EngineID();
        m.ModeID = QUuid::createUuidV5(EngineID(), QString::number(i));
        m.Gender = quint16(i % 3);
        m.Dialect = QStringLiteral("Fake dialect");
        modes.push_back(m);
    }
    return modes;
}

TTSEngineRanges FakeEngine::Ranges() const {
    TTSEngineRanges r;
    r.speed = {80, 450, 175};
    r.pitch = {0, 100, 50};
    r.volume = {0, 100, 100};
    return r;
}

qint64 FakeEngine::lengthOf(const QString& text) const {
    qint64 n = 0;
    for (QChar c : text)
        n += c.isSpace() ? msPerGap : c.isLowSurrogate() ? 0 : msPerChar;
    return n;
}

void FakeEngine::release() {
    std::lock_guard lock(mutex_);
    isReleased_ = true;
    released_.notify_all();
}

std::vector<FakeEngine::Call> FakeEngine::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void FakeEngine::Synthesize(const TTSModeInfo&, const QByteArray& utf8,
                            const TTSVoiceParams& params, ITTSSynthOutput& out) {
    finished = false;
    const QString text = QString::fromUtf8(utf8);
    {
        std::lock_guard lock(mutex_);
        calls_.push_back({text, params});
    }
    if (!failSynthesis.isEmpty())
        throw KaloError(failSynthesis);
    qint64 sample = 0;
    qsizetype codePoint = 0;
    bool inWord = false;
    int words = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isLowSurrogate())
            continue; // the second half of a character already counted
        const bool space = c.isSpace();
        if (!space && !inWord) {
            if (words++ == 1 && holdAfterFirstWord) {
                std::unique_lock lock(mutex_);
                while (!isReleased_ && !out.Stopped())
                    released_.wait_for(lock, std::chrono::milliseconds(10));
            }
            out.Word(codePoint, sample);
            out.Phoneme(QString(c), sample); // a word's first letter stands for its sound
        }
        inWord = !space;
        const int n = space ? msPerGap : msPerChar;
        std::vector<qint16> block(size_t(n), space ? qint16(0) : qint16(1000));
        if (!out.Audio(block.data(), n))
            break;
        produced += n;
        sample += n;
        ++codePoint;
    }
    finished = true;
}

} // namespace kalo::test
