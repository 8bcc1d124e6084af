#include "speech/tts_enum.h"

#include "speech/espeak_engine.h"
#include "speech/flite_engine.h"

#include "base/kalo_error.h"

#include <optional>

namespace kalo {

TTSEnum::TTSEnum(std::vector<std::shared_ptr<ITTSEngine>> engines) {
    std::optional<KaloError> firstFailure;
    bool anyRan = engines.empty();
    for (const auto& engine : engines) {
        try {
            for (const TTSModeInfo& m : engine->Modes()) {
                entries_.emplace_back(m, engine);
                modes_.push_back(m);
            }
            anyRan = true;
        } catch (const KaloError& e) {
            if (!firstFailure)
                firstFailure = e;
        }
    }
    if (!anyRan && firstFailure)
        throw *firstFailure;
}

int TTSEnum::Next(int count, std::vector<TTSModeInfo>& modes) {
    int fetched = 0;
    while (fetched < count && next_ < modes_.size()) {
        modes.push_back(modes_[next_++]);
        ++fetched;
    }
    return fetched;
}

bool TTSEnum::Skip(int n) {
    if (n < 0)
        return false;
    const size_t left = modes_.size() - next_;
    next_ = std::min(modes_.size(), next_ + size_t(n));
    return size_t(n) <= left;
}

std::shared_ptr<ITTSCentralA> TTSEnum::Select(const QUuid& modeId,
                                              std::shared_ptr<IAudioDestination> destination) {
    for (const auto& [mode, engine] : entries_)
        if (mode.ModeID == modeId)
            return CreateTTSCentral(engine, mode, std::move(destination));
    throw KaloError(QStringLiteral("No speech mode has the identifier %1").arg(GuidText(modeId)));
}

std::vector<std::shared_ptr<ITTSEngine>> DefaultTTSEngines() {
    // eSpeak NG first: its modes keep the positions they had before a
    // second engine was added, so stored voice positions stay right.
    return {EspeakEngine::Instance(), FliteEngine::Instance()};
}

QString GuidText(const QUuid& id) {
    return id.toString(QUuid::WithBraces).toUpper();
}

QUuid GuidFromText(const QString& text) {
    if (text.size() != 38)
        return {};
    return QUuid::fromString(text);
}

} // namespace kalo
