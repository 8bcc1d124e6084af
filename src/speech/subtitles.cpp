#include "speech/subtitles.h"

#include <QSaveFile>

#include <algorithm>

namespace kalo {

namespace {

bool isBlank(QChar c) {
    return c.isSpace() || c.category() == QChar::Other_Control;
}

// Ends a sentence when a blank or the end of the text follows.
bool isSentenceEnd(char16_t c) {
    switch (c) {
    case u'.':
    case u'!':
    case u'?':
    case u'\u2026': // ellipsis
    case u'\u203C': // double exclamation mark
    case u'\u2047':
    case u'\u2048':
    case u'\u2049':
    case u'\u0964': // Devanagari danda
    case u'\u0965':
    case u'\u061F': // Arabic question mark
    case u'\u06D4': // Arabic full stop
        return true;
    default:
        return false;
    }
}

// Ends a sentence wherever it stands: CJK text has no blanks after them.
bool isWideSentenceEnd(char16_t c) {
    return c == u'\u3002' || c == u'\uFF01' || c == u'\uFF1F' || c == u'\uFF0E';
}

// Quotes and brackets that close a sentence after its full stop.
bool isClosing(char16_t c) {
    switch (c) {
    case u'"':
    case u'\'':
    case u')':
    case u']':
    case u'}':
    case u'\u2019':
    case u'\u201D':
    case u'\u00BB':
    case u'\u203A':
    case u'\u300D':
    case u'\u300F':
    case u'\uFF09':
    case u'\u3011':
        return true;
    default:
        return false;
    }
}

// A good place to cut a long sentence with no blank nearby: after these.
bool isPause(char16_t c) {
    switch (c) {
    case u',':
    case u';':
    case u':':
    case u'\u3001': // ideographic comma
    case u'\uFF0C':
    case u'\uFF1B':
    case u'\uFF1A':
    case u'\u2014': // em dash
        return true;
    default:
        return false;
    }
}

// Adds [begin, end) trimmed of blanks, cut into pieces of at most maxChars
// when longer. Each piece costs a look back over at most maxChars
// characters, and pieces are at least half that long, so the work stays
// linear in the span's length.
void addSentence(QStringView text, qsizetype begin, qsizetype end, qsizetype maxChars,
                 std::vector<TextSpan>& out) {
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    while (end - begin > maxChars) {
        const qsizetype pieces = (end - begin + maxChars - 1) / maxChars;
        const qsizetype target = (end - begin + pieces - 1) / pieces;
        const qsizetype limit = begin + target;
        const qsizetype earliest = begin + std::max<qsizetype>(1, target / 2);
        qsizetype cut = -1;
        for (qsizetype i = limit; i > earliest && cut < 0; --i)
            if (isBlank(text[i]))
                cut = i;
        for (qsizetype i = limit; i > earliest && cut < 0; --i)
            if (isPause(text[i - 1].unicode()))
                cut = i;
        if (cut < 0) {
            cut = limit;
            // A character outside the BMP stays whole.
            if (text[cut].isLowSurrogate() && text[cut - 1].isHighSurrogate())
                --cut;
        }
        qsizetype pieceEnd = cut;
        while (pieceEnd > begin && isBlank(text[pieceEnd - 1]))
            --pieceEnd;
        out.push_back({begin, pieceEnd});
        begin = cut;
        while (begin < end && isBlank(text[begin]))
            ++begin;
    }
    if (end > begin)
        out.push_back({begin, end});
}

// The cue's text on one line: every run of blanks becomes one space.
QString oneLine(QStringView text) {
    QString line;
    line.reserve(text.size());
    bool blank = false;
    for (QChar c : text) {
        if (isBlank(c)) {
            blank = true;
            continue;
        }
        if (blank && !line.isEmpty())
            line += u' ';
        blank = false;
        line += c;
    }
    return line;
}

QString twoDigits(qint64 v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

QString srtTime(qint64 ms) {
    ms = std::max<qint64>(ms, 0);
    return QStringLiteral("%1:%2:%3,%4")
        .arg(twoDigits(ms / 3600000), twoDigits(ms / 60000 % 60), twoDigits(ms / 1000 % 60))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString lrcTime(qint64 ms) {
    ms = std::max<qint64>(ms, 0);
    return QStringLiteral("[%1:%2.%3]")
        .arg(twoDigits(ms / 60000), twoDigits(ms / 1000 % 60), twoDigits(ms / 10 % 100));
}

} // namespace

std::vector<TextSpan> CueSpans(QStringView text, qsizetype maxChars) {
    maxChars = std::max<qsizetype>(maxChars, 2);
    std::vector<TextSpan> spans;
    const qsizetype n = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = text[i].unicode();
        if (isWideSentenceEnd(c) || isSentenceEnd(c)) {
            qsizetype j = i + 1;
            while (j < n && (isClosing(text[j].unicode()) || isSentenceEnd(text[j].unicode()) ||
                             isWideSentenceEnd(text[j].unicode())))
                ++j;
            if (isWideSentenceEnd(c) || j == n || isBlank(text[j])) {
                addSentence(text, start, j, maxChars, spans);
                start = j;
            }
            i = j;
            continue;
        }
        if (c == u'\n') {
            // An empty line (blanks alone on it) ends the sentence too.
            qsizetype j = i + 1;
            while (j < n && text[j] != u'\n' && isBlank(text[j]))
                ++j;
            if (j < n && text[j] == u'\n') {
                addSentence(text, start, i, maxChars, spans);
                start = j;
            }
            i = j;
            continue;
        }
        ++i;
    }
    addSentence(text, start, n, maxChars, spans);
    return spans;
}

std::vector<SubtitleCue> BuildCues(QStringView text, const std::vector<WordTiming>& words,
                                   qint64 endMs, bool complete) {
    const std::vector<TextSpan> spans = CueSpans(text);
    // The time of each span's first word heard, -1 for none. The words come
    // in the order of the text; one that steps back is passed over.
    std::vector<qint64> starts(spans.size(), -1);
    size_t w = 0;
    qsizetype lastTimed = -1;
    for (size_t s = 0; s < spans.size(); ++s) {
        while (w < words.size() && words[w].offset < spans[s].begin)
            ++w;
        if (w < words.size() && words[w].offset < spans[s].end) {
            starts[s] = words[w].ms;
            lastTimed = qsizetype(s);
        }
    }
    const size_t used = complete ? spans.size() : size_t(lastTimed + 1);

    struct Piece {
        qint64 start;
        qsizetype begin;
        qsizetype end;
    };
    std::vector<Piece> pieces;
    qsizetype leading = -1; // wordless text before the first cue
    for (size_t s = 0; s < used; ++s) {
        const qint64 t = starts[s];
        if (t >= 0 && (pieces.empty() || t > pieces.back().start)) {
            pieces.push_back({t, leading >= 0 ? leading : spans[s].begin, spans[s].end});
            leading = -1;
        } else if (!pieces.empty()) {
            pieces.back().end = spans[s].end;
        } else if (leading < 0) {
            leading = spans[s].begin;
        }
    }

    std::vector<SubtitleCue> cues;
    cues.reserve(pieces.size());
    for (size_t k = 0; k < pieces.size(); ++k) {
        SubtitleCue cue;
        cue.startMs = pieces[k].start;
        cue.endMs = k + 1 < pieces.size() ? pieces[k + 1].start
                                          : std::max(endMs, pieces[k].start + 1);
        cue.text = oneLine(text.mid(pieces[k].begin, pieces[k].end - pieces[k].begin));
        cues.push_back(std::move(cue));
    }
    return cues;
}

QByteArray SrtText(const std::vector<SubtitleCue>& cues) {
    QString out;
    int number = 0;
    for (const SubtitleCue& cue : cues) {
        out += QString::number(++number) + QStringLiteral("\r\n");
        out += srtTime(cue.startMs) + QStringLiteral(" --> ") + srtTime(cue.endMs) +
               QStringLiteral("\r\n");
        out += cue.text + QStringLiteral("\r\n\r\n");
    }
    return out.toUtf8();
}

QByteArray LrcText(const std::vector<SubtitleCue>& cues) {
    QString out;
    for (const SubtitleCue& cue : cues)
        out += lrcTime(cue.startMs) + cue.text + u'\n';
    if (!cues.empty())
        out += lrcTime(cues.back().endMs) + u'\n';
    return out.toUtf8();
}

QByteArray SubtitleText(SubtitleFormat format, const std::vector<SubtitleCue>& cues) {
    return format == SubtitleFormat::Srt ? SrtText(cues) : LrcText(cues);
}

bool WriteSubtitleFile(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("Cannot create %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace kalo
