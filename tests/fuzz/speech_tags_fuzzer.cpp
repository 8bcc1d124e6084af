// The speech tags of a character's text (which comes from the clipboard and
// from text files) and the balloon layout of what they leave: no crash, and
// the results keep their promises on any input.
#include "agent/balloon_layout.h"
#include "agent/speech_tags.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace kalo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const ParsedSpeech p = ParseSpeechTags(text);
    // Marks lie in the spoken text, in order.
    qsizetype last = 0;
    for (const TTSTextMark& m : p.marks) {
        if (m.position < last || m.position > p.spoken.size())
            std::abort();
        last = m.position;
    }
    // The balloon position follows the spoken one, never backwards.
    qsizetype previous = 0;
    for (qsizetype i = 0; i <= p.spoken.size(); ++i) {
        const qsizetype b = p.BalloonPosition(i);
        if (b < previous || b > p.balloon.size())
            std::abort();
        previous = b;
    }
    // Nothing of the text is lost but tags: no input grows.
    if (p.spoken.size() > text.size() || p.balloon.size() > text.size())
        std::abort();
    const int width = size > 0 ? 1 + data[0] % 40 : 10;
    const BalloonLayout layout(p.balloon, width, 1 + int(size % 4));
    qsizetype previousEnd = 0;
    for (const BalloonLayout::Line& l : layout.Lines()) {
        // A line is no wider than asked, unless it holds a single character
        // (a surrogate pair is two units); lines follow one another.
        const bool oneCharacter = l.end - l.begin == 2 && p.balloon.at(l.begin).isHighSurrogate();
        if (l.begin > l.end || l.begin < previousEnd || l.end > p.balloon.size() ||
            (l.end - l.begin > width && !oneCharacter) || l.width != l.end - l.begin)
            std::abort();
        previousEnd = l.end;
    }
    for (qsizetype i = 0; i <= p.balloon.size(); i += 7)
        (void)layout.Reveal(i);
    return 0;
}
