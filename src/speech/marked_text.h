// Text with inline marks, taken apart for synthesis: the stretches between
// changes of voice settings (each spoken with its own settings), the
// bookmarks in order, and the mapping from the engine's character counts
// (code points) back to UTF-16 offsets of the text.
#pragma once

#include "speech/tts_engine.h"
#include "speech/tts_types.h"

#include <QString>

#include <vector>

namespace kalo {

// A stretch of the text [begin, end) in UTF-16 code units, spoken with one
// set of voice settings.
struct TTSSegment {
    qsizetype begin = 0;
    qsizetype end = 0;
    TTSVoiceParams params;
};

// Mark positions limited to the text and moved off the middle of a
// surrogate pair, then sorted by position; marks at one position keep their
// order.
std::vector<TTSTextMark> NormalisedMarks(const TTSMarkedText& text);

// Splits the text where a speed, pitch, volume or style mark changes the
// settings (values limited to the ranges). Bookmarks never split. Empty
// stretches are left out; an empty text gives no segment.
std::vector<TTSSegment> SplitIntoSegments(const TTSMarkedText& text, const TTSVoiceParams& start,
                                          const TTSEngineRanges& ranges);

// Maps code-point indexes within one stretch of a string to UTF-16 offsets
// of the whole string. Cheap for rising indexes (the usual order of word
// reports); a falling index starts over from the stretch's beginning.
class CodePointCursor {
public:
    CodePointCursor(const QString& text, qsizetype begin, qsizetype end)
        : text_(text), begin_(begin), end_(end), offset_(begin) {}
    qsizetype offsetOf(qsizetype codePoint);

private:
    const QString& text_;
    qsizetype begin_;
    qsizetype end_;
    qsizetype codePoint_ = 0;
    qsizetype offset_;
};

} // namespace kalo
