#include "agent/voice_mapping.h"

#include <algorithm>
#include <cmath>

namespace kalo {

quint32 EngineVolume(qint64 agentVolume, const TTSRange& range) {
    const qint64 v = std::clamp<qint64>(agentVolume, 0, 65535);
    return range.clamp(quint64(range.min) +
                       quint64(std::llround(double(v) * (range.max - range.min) / 65535.0)));
}

quint32 EnginePitch(qint64 hz, const TTSRange& range) {
    if (hz == kVoiceDefault)
        return range.normal;
    constexpr double kLow = 50.0;
    constexpr double kHigh = 400.0;
    const double h = std::clamp(double(hz), kLow, kHigh);
    const double share = std::log(h / kLow) / std::log(kHigh / kLow);
    return range.clamp(quint64(range.min) + quint64(std::llround(share * (range.max - range.min))));
}

quint32 EngineSpeed(qint64 wpm, const TTSRange& range) {
    if (wpm == kVoiceDefault)
        return range.normal;
    return range.clamp(quint64(std::max<qint64>(wpm, 0)));
}

TTSMarkedText EngineText(const ParsedSpeech& speech, const AgentVoiceStart& start,
                         const TTSEngineRanges& ranges) {
    TTSMarkedText out;
    out.text = speech.spoken;
    out.marks.push_back({0, TTSTextMark::Volume, EngineVolume(start.volume, ranges.volume)});
    out.marks.push_back({0, TTSTextMark::Pitch, EnginePitch(start.pitch, ranges.pitch)});
    out.marks.push_back({0, TTSTextMark::Speed, EngineSpeed(start.speed, ranges.speed)});
    out.marks.push_back({0, TTSTextMark::Style, qint64(TTSVoiceStyle::Normal)});
    for (TTSTextMark m : speech.marks) {
        switch (m.kind) {
        case TTSTextMark::Volume:
            m.value = EngineVolume(m.value, ranges.volume);
            break;
        case TTSTextMark::Pitch:
            m.value = EnginePitch(m.value == kVoiceDefault ? start.pitch : m.value, ranges.pitch);
            break;
        case TTSTextMark::Speed:
            m.value = EngineSpeed(m.value == kVoiceDefault ? start.speed : m.value, ranges.speed);
            break;
        case TTSTextMark::Style:
        case TTSTextMark::Bookmark:
            break;
        }
        out.marks.push_back(m);
    }
    return out;
}

QString LanguageCodeForId(quint16 languageId) {
    struct Entry {
        quint16 id;
        const char* code;
    };
    static const Entry kFull[] = {
        {0x0409, "en-us"}, {0x0809, "en-gb"}, {0x0C09, "en-au"}, {0x1009, "en-ca"},
        {0x0416, "pt-br"}, {0x0816, "pt"},    {0x0C0A, "es"},    {0x080A, "es-419"},
        {0x0C0C, "fr-ca"}, {0x0804, "cmn"},   {0x0404, "cmn"},
    };
    static const Entry kPrimary[] = {
        {0x01, "ar"}, {0x02, "bg"}, {0x03, "ca"}, {0x04, "cmn"}, {0x05, "cs"}, {0x06, "da"},
        {0x07, "de"}, {0x08, "el"}, {0x09, "en"}, {0x0A, "es"},  {0x0B, "fi"}, {0x0C, "fr"},
        {0x0D, "he"}, {0x0E, "hu"}, {0x0F, "is"}, {0x10, "it"},  {0x11, "ja"}, {0x12, "ko"},
        {0x13, "nl"}, {0x14, "nb"}, {0x15, "pl"}, {0x16, "pt"},  {0x18, "ro"}, {0x19, "ru"},
        {0x1A, "hr"}, {0x1B, "sk"}, {0x1D, "sv"}, {0x1F, "tr"},  {0x24, "sl"}, {0x25, "et"},
        {0x26, "lv"}, {0x27, "lt"}, {0x2A, "vi"}, {0x36, "af"},
    };
    for (const Entry& e : kFull)
        if (e.id == languageId)
            return QString::fromLatin1(e.code);
    for (const Entry& e : kPrimary)
        if (e.id == (languageId & 0x3FF))
            return QString::fromLatin1(e.code);
    return {};
}

int ClosestMode(const std::vector<TTSModeInfo>& modes, const QString& languageCode,
                quint16 gender) {
    const QString wanted = languageCode.toLower();
    const QString primary = wanted.section(u'-', 0, 0);
    int best = -1;
    int bestScore = -1;
    for (int i = 0; i < int(modes.size()); ++i) {
        const QString lang = modes[size_t(i)].Language.toLower();
        int score = 0;
        if (!wanted.isEmpty() && lang == wanted)
            score += 4;
        else if (!primary.isEmpty() && lang.section(u'-', 0, 0) == primary)
            score += 2;
        if (gender != GENDER_NEUTRAL && modes[size_t(i)].Gender == gender)
            score += 1;
        if (score > bestScore) {
            best = i;
            bestScore = score;
        }
    }
    return best;
}

int MouthPicture(const TTSMouth& mouth, quint32 hints) {
    if ((hints & TTSVISUAL_SILENCE) || mouth.MouthHeight < 20)
        return 0;
    if (mouth.MouthWidth <= 90)
        return 6;
    if (mouth.MouthHeight >= 170)
        return 4;
    if (mouth.MouthHeight >= 110)
        return 3;
    if (mouth.MouthHeight >= 80)
        return 2;
    if (mouth.MouthHeight >= 55)
        return 5;
    return 1;
}

} // namespace kalo
