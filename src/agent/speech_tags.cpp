#include "agent/speech_tags.h"

#include <algorithm>
#include <limits>

namespace kalo {

namespace {

bool isNameChar(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// A doubled quote is one quote.
QString unquote(QStringView s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == u'"' && i + 1 < s.size() && s[i + 1] == u'"')
            ++i;
    }
    return out;
}

// The end of a quoted part starting at `from` (just after its opening
// quote): the index of the closing quote, which must be followed by
// `follow`. A doubled quote stands for one; a single quote followed by
// anything else is taken as it stands. -1 when there is no end.
qsizetype quotedEnd(QStringView t, qsizetype from, QChar follow) {
    for (qsizetype k = from; k < t.size(); ++k) {
        if (t[k] != u'"')
            continue;
        if (k + 1 < t.size() && t[k + 1] == follow)
            return k;
        if (k + 1 < t.size() && t[k + 1] == u'"')
            ++k;
    }
    return -1;
}

class Parser {
public:
    explicit Parser(ParsedSpeech& out) : out_(out) {}

    // Parses t into the spoken text, and into the balloon text too unless
    // spokenOnly; \Map\ is understood only at the top level.
    void parse(QStringView t, bool spokenOnly) {
        qsizetype i = 0;
        while (i < t.size()) {
            const QChar c = t[i];
            if (c != u'\\') {
                put(c, spokenOnly);
                ++i;
                continue;
            }
            if (i + 1 < t.size() && t[i + 1] == u'\\') {
                put(c, spokenOnly);
                i += 2;
                continue;
            }
            const qsizetype next = tag(t, i, spokenOnly);
            if (next < 0) {
                put(c, spokenOnly); // no tag: the backslash stays
                ++i;
            } else {
                i = next;
            }
        }
    }

private:
    void put(QChar c, bool spokenOnly) {
        if (spokenOnly) {
            out_.spoken += c;
            return;
        }
        // Outside \Map\ both texts grow together, in one piece.
        if (out_.pieces.empty() || !lastPlain_) {
            out_.pieces.push_back(
                {out_.spoken.size(), out_.spoken.size(), out_.balloon.size(), out_.balloon.size()});
            lastPlain_ = true;
        }
        out_.spoken += c;
        out_.balloon += c;
        out_.pieces.back().spokenEnd = out_.spoken.size();
        out_.pieces.back().balloonEnd = out_.balloon.size();
    }

    void mark(TTSTextMark::Kind kind, qint64 value) {
        out_.marks.push_back({out_.spoken.size(), kind, value});
    }

    static bool number(QStringView v, qint64 lo, qint64 hi, qint64& result) {
        bool ok = false;
        const qint64 n = v.trimmed().toLongLong(&ok);
        if (!ok)
            return false;
        result = std::clamp(n, lo, hi);
        return true;
    }

    // A tag starting with the backslash at `at`; returns the index after
    // it, or -1 when no well-formed tag starts there.
    qsizetype tag(QStringView t, qsizetype at, bool spokenOnly) {
        qsizetype j = at + 1;
        while (j < t.size() && isNameChar(t[j]))
            ++j;
        if (j == at + 1 || j >= t.size())
            return -1;
        const QString name = t.mid(at + 1, j - at - 1).toString().toLower();
        if (t[j] == u'\\') {
            apply(name, {});
            return j + 1;
        }
        if (t[j] != u'=')
            return -1;
        const qsizetype v = j + 1;
        if (name == u"map" && !spokenOnly && v < t.size() && t[v] == u'"')
            return map(t, v + 1);
        if (v < t.size() && t[v] == u'"') {
            const qsizetype close = quotedEnd(t, v + 1, u'\\');
            if (close < 0)
                return -1;
            apply(name, unquote(t.mid(v + 1, close - v - 1)));
            return close + 2;
        }
        const qsizetype close = t.indexOf(u'\\', v);
        if (close < 0)
            return -1;
        apply(name, t.mid(v, close - v).toString());
        return close + 1;
    }

    // \Map="spoken"="balloon"\ from just after the first quote. The spoken
    // part ends at the first quote-equals-quote after which a well-formed
    // balloon part follows. Doubled quotes are read as pairs first, so a
    // quote-equals-quote made of halves of two doubled quotes (text written
    // with its quotes doubled) never ends the part early; failing that, any
    // quote-equals-quote will do, so stray single quotes do no harm.
    qsizetype map(QStringView t, qsizetype from) {
        for (qsizetype k = from; k < t.size(); ++k) {
            if (t[k] != u'"')
                continue;
            if (k + 1 < t.size() && t[k + 1] == u'"') {
                ++k;
                continue;
            }
            if (t.mid(k, 3) == u"\"=\"") {
                const qsizetype end = mapAt(t, from, k);
                if (end >= 0)
                    return end;
            }
        }
        for (qsizetype k = t.indexOf(u"\"=\"", from); k >= 0; k = t.indexOf(u"\"=\"", k + 1)) {
            const qsizetype end = mapAt(t, from, k);
            if (end >= 0)
                return end;
        }
        return -1;
    }

    // The Map whose spoken part runs from `from` to the quote-equals-quote at
    // k, when a well-formed balloon part follows; -1 otherwise.
    qsizetype mapAt(QStringView t, qsizetype from, qsizetype k) {
        const qsizetype close = quotedEnd(t, k + 3, u'\\');
        if (close < 0)
            return -1;
        SpeechPiece piece;
        piece.spokenBegin = out_.spoken.size();
        piece.balloonBegin = out_.balloon.size();
        parse(unquote(t.mid(from, k - from)), true);
        out_.balloon += unquote(t.mid(k + 3, close - k - 3));
        piece.spokenEnd = out_.spoken.size();
        piece.balloonEnd = out_.balloon.size();
        out_.pieces.push_back(piece);
        lastPlain_ = false;
        return close + 2;
    }

    void apply(const QString& name, const QString& value) {
        qint64 n = 0;
        constexpr qint64 kMaxInt = std::numeric_limits<qint32>::max();
        if (name == u"vol") {
            if (number(value, 0, 65535, n))
                mark(TTSTextMark::Volume, n);
        } else if (name == u"pit") {
            if (number(value, 0, kMaxInt, n))
                mark(TTSTextMark::Pitch, n);
        } else if (name == u"spd") {
            if (number(value, 0, kMaxInt, n))
                mark(TTSTextMark::Speed, n);
        } else if (name == u"mrk") {
            bool ok = false;
            const qint64 id = value.trimmed().toLongLong(&ok);
            if (ok && id >= std::numeric_limits<qint32>::min() && id <= kMaxInt)
                mark(TTSTextMark::Bookmark, id);
        } else if (name == u"chr") {
            const QString style = value.trimmed().toLower();
            if (style == u"normal")
                mark(TTSTextMark::Style, qint64(TTSVoiceStyle::Normal));
            else if (style == u"monotone")
                mark(TTSTextMark::Style, qint64(TTSVoiceStyle::Monotone));
            else if (style == u"whisper")
                mark(TTSTextMark::Style, qint64(TTSVoiceStyle::Whisper));
        } else if (name == u"rst" && value.isEmpty()) {
            mark(TTSTextMark::Volume, 65535);
            mark(TTSTextMark::Pitch, kVoiceDefault);
            mark(TTSTextMark::Speed, kVoiceDefault);
            mark(TTSTextMark::Style, qint64(TTSVoiceStyle::Normal));
        }
        // Any other tag is dropped.
    }

    ParsedSpeech& out_;
    bool lastPlain_ = false;
};

} // namespace

ParsedSpeech ParseSpeechTags(const QString& text) {
    ParsedSpeech out;
    Parser(out).parse(text, false);
    return out;
}

qsizetype ParsedSpeech::BalloonPosition(qsizetype spokenPosition) const {
    // The first piece that ends after the position; the pieces are in
    // order, and a long text has one for every word, asked for every word.
    const auto p = std::upper_bound(
        pieces.begin(), pieces.end(), spokenPosition,
        [](qsizetype at, const SpeechPiece& piece) { return at < piece.spokenEnd; });
    if (p == pieces.end())
        return balloon.size();
    if (spokenPosition < p->spokenBegin)
        return p->balloonBegin;
    const qint64 s = p->spokenEnd - p->spokenBegin;
    const qint64 b = p->balloonEnd - p->balloonBegin;
    return p->balloonBegin + qsizetype((spokenPosition - p->spokenBegin) * b / s);
}

std::vector<qint32> ParsedSpeech::Bookmarks() const {
    std::vector<qint32> ids;
    for (const TTSTextMark& m : marks)
        if (m.kind == TTSTextMark::Bookmark)
            ids.push_back(qint32(m.value));
    return ids;
}

} // namespace kalo
