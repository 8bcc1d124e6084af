// Times the subtitle cue builder (spans, cues from word timings, SRT text)
// on texts that would show a quadratic scan: no blanks at all, CJK without
// and with full stops, and prose; 1 MB and 5 MB of each, so the ratio shows
// whether the work grows with the length alone.
#include "speech/subtitles.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>

using namespace kalo;

namespace {

QString repeated(const QString& unit, qsizetype bytes) {
    QString s;
    const qsizetype unitBytes = unit.toUtf8().size();
    s.reserve(unit.size() * (bytes / unitBytes + 1));
    for (qsizetype b = 0; b < bytes; b += unitBytes)
        s += unit;
    return s;
}

// A word at the start of every run of non-blanks, 300 ms apart.
std::vector<WordTiming> wordsOf(const QString& text) {
    std::vector<WordTiming> words;
    qint64 ms = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!text[i].isSpace() && (i == 0 || text[i - 1].isSpace()))
            words.push_back({i, ms += 300});
    return words;
}

// The best of three runs: the machine is shared, and one run can be slowed
// by anything.
double msFor(const QString& text) {
    const std::vector<WordTiming> words = wordsOf(text);
    double best = 1e300;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        const std::vector<SubtitleCue> cues = BuildCues(text, words, 1 << 30, true);
        const QByteArray srt = SrtText(cues);
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
        if (srt.isEmpty())
            std::printf("  (no cues?)\n");
    }
    return best;
}

} // namespace

int main() {
    struct Kind {
        const char* name;
        QString unit;
    };
    const Kind kinds[] = {
        {"no blanks", QStringLiteral("abcdefghij")},
        {"CJK, no stops", QStringLiteral("\u4f60\u597d\u4e16\u754c\u673a\u5668\u4eba")},
        {"CJK with stops", QStringLiteral("\u4f60\u597d\u4e16\u754c\u3002\u6211\u662f\u673a\u5668\u4eba\uff01")},
        {"prose", QStringLiteral("The quick brown fox jumps over the lazy dog. Is it not so? ")},
    };
    std::printf("Subtitle cues (spans, cues and SRT text), milliseconds, best of three:\n");
    std::printf("  %-16s %9s %9s %7s\n", "text", "1 MB", "5 MB", "ratio");
    for (const Kind& k : kinds) {
        const double one = msFor(repeated(k.unit, 1000000));
        const double five = msFor(repeated(k.unit, 5000000));
        std::printf("  %-16s %9.1f %9.1f %7.2f\n", k.name, one, five, five / one);
    }
    std::printf("  (a ratio near 5 is linear; 25 would be quadratic)\n");
    return 0;
}
