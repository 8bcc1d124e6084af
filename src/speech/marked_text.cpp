#include "speech/marked_text.h"

#include <algorithm>

namespace kalo {

std::vector<TTSTextMark> NormalisedMarks(const TTSMarkedText& text) {
    std::vector<TTSTextMark> marks = text.marks;
    const qsizetype length = text.text.size();
    for (TTSTextMark& m : marks) {
        m.position = std::clamp<qsizetype>(m.position, 0, length);
        if (m.position > 0 && m.position < length && text.text.at(m.position).isLowSurrogate() &&
            text.text.at(m.position - 1).isHighSurrogate())
            --m.position;
    }
    std::stable_sort(marks.begin(), marks.end(), [](const TTSTextMark& a, const TTSTextMark& b) {
        return a.position < b.position;
    });
    return marks;
}

std::vector<TTSSegment> SplitIntoSegments(const TTSMarkedText& text, const TTSVoiceParams& start,
                                          const TTSEngineRanges& ranges) {
    std::vector<TTSSegment> segments;
    TTSVoiceParams params = start;
    qsizetype begin = 0;
    auto close = [&](qsizetype end) {
        if (end > begin)
            segments.push_back({begin, end, params});
        begin = end;
    };
    for (const TTSTextMark& m : NormalisedMarks(text)) {
        TTSVoiceParams next = params;
        const quint64 v = m.value < 0 ? 0 : quint64(m.value);
        switch (m.kind) {
        case TTSTextMark::Bookmark:
            continue;
        case TTSTextMark::Speed:
            next.speed = ranges.speed.clamp(v);
            break;
        case TTSTextMark::Pitch:
            next.pitch = ranges.pitch.clamp(v);
            break;
        case TTSTextMark::Volume:
            next.volume = ranges.volume.clamp(v);
            break;
        case TTSTextMark::Style:
            next.style = m.value == int(TTSVoiceStyle::Monotone)  ? TTSVoiceStyle::Monotone
                         : m.value == int(TTSVoiceStyle::Whisper) ? TTSVoiceStyle::Whisper
                                                                  : TTSVoiceStyle::Normal;
            break;
        }
        if (next == params)
            continue;
        close(m.position);
        params = next;
    }
    close(text.text.size());
    return segments;
}

qsizetype CodePointCursor::offsetOf(qsizetype codePoint) {
    if (codePoint < codePoint_) {
        codePoint_ = 0;
        offset_ = begin_;
    }
    while (codePoint_ < codePoint && offset_ < end_) {
        const bool pair = text_.at(offset_).isHighSurrogate() && offset_ + 1 < end_ &&
                          text_.at(offset_ + 1).isLowSurrogate();
        offset_ += pair ? 2 : 1;
        ++codePoint_;
    }
    return offset_;
}

} // namespace kalo
