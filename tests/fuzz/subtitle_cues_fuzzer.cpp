// Subtitle cues over any text (it comes from the user's documents, the
// clipboard and standard input) with any word timing an engine could
// report: no crash, and the cues keep their promises.
#include "speech/subtitles.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace kalo;

namespace {

bool blank(QChar c) {
    return c.isSpace() || c.category() == QChar::Other_Control;
}

QString withoutBlanks(QStringView s) {
    QString out;
    for (QChar c : s)
        if (!blank(c))
            out += c;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte shapes the timing; the rest is the text.
    const uint8_t shape = data[0];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const std::vector<TextSpan> spans = CueSpans(text);
    qsizetype last = 0;
    for (const TextSpan& s : spans) {
        if (s.begin < last || s.end <= s.begin || s.end > text.size() || s.end - s.begin > kCueChars ||
            blank(text[s.begin]) || blank(text[s.end - 1]))
            std::abort();
        last = s.end;
    }

    // A word at every start of a run of non-blanks; times mostly rising,
    // now and then standing still or stepping back, as engines may.
    std::vector<WordTiming> words;
    qint64 ms = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (blank(text[i]) || (i > 0 && !blank(text[i - 1])))
            continue;
        const unsigned step = (unsigned(i) * 31u + shape) % 7u;
        ms = step == 0 ? ms : step == 1 ? std::max<qint64>(0, ms - 40) : ms + 10 * step;
        words.push_back({i, ms});
    }
    const bool complete = shape & 1;
    const std::vector<SubtitleCue> cues = BuildCues(text, words, ms + (shape >> 1), complete);
    QString said;
    for (size_t k = 0; k < cues.size(); ++k) {
        const SubtitleCue& c = cues[k];
        if (c.text.isEmpty() || c.endMs <= c.startMs || c.text.contains(u'\n') || c.text.contains(u'\r'))
            std::abort();
        if (k > 0 && (c.startMs <= cues[k - 1].startMs || cues[k - 1].endMs != c.startMs))
            std::abort();
        said += c.text;
    }
    // Read to its end, the cues hold every character of the text but blanks.
    if (complete && !cues.empty() && withoutBlanks(said) != withoutBlanks(text))
        std::abort();
    if (!cues.empty() && (SrtText(cues).isEmpty() || LrcText(cues).isEmpty()))
        std::abort();
    return 0;
}
