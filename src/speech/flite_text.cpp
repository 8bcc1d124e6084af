#include "speech/flite_text.h"

#include <QString>

#include <algorithm>
#include <cctype>

namespace kalo {

namespace {

bool isContinuation(char c) {
    return (quint8(c) & 0xC0) == 0x80;
}

// Letters Unicode does not decompose into plain ones, and typographic
// punctuation, in the spelling Flite understands.
QString plainLetter(char32_t c) {
    switch (c) {
    case U'ß':
        return QStringLiteral("ss");
    case U'æ':
        return QStringLiteral("ae");
    case U'Æ':
        return QStringLiteral("AE");
    case U'œ':
        return QStringLiteral("oe");
    case U'Œ':
        return QStringLiteral("OE");
    case U'ø':
        return QStringLiteral("o");
    case U'Ø':
        return QStringLiteral("O");
    case U'ł':
        return QStringLiteral("l");
    case U'Ł':
        return QStringLiteral("L");
    case U'đ':
    case U'ð':
        return QStringLiteral("d");
    case U'Đ':
    case U'Ð':
        return QStringLiteral("D");
    case U'þ':
        return QStringLiteral("th");
    case U'Þ':
        return QStringLiteral("Th");
    case U'‘':
    case U'’':
    case U'‚':
    case U'′':
        return QStringLiteral("'");
    case U'“':
    case U'”':
    case U'„':
    case U'«':
    case U'»':
    case U'″':
        return QStringLiteral("\"");
    case U'‐':
    case U'‑':
    case U'‒':
    case U'–':
    case U'—':
    case U'―':
        return QStringLiteral("-");
    default:
        return {};
    }
}

// The token in plain ASCII: accents dropped, letters and punctuation
// spelt the way Flite reads them, anything else left out (Flite's English
// rules know only ASCII).
QByteArray plainAscii(QByteArrayView name) {
    const bool ascii =
        std::all_of(name.begin(), name.end(), [](char c) { return quint8(c) < 0x80; });
    if (ascii)
        return name.toByteArray();
    const QString decomposed = QString::fromUtf8(name).normalized(QString::NormalizationForm_KD);
    QByteArray out;
    for (qsizetype i = 0; i < decomposed.size(); ++i) {
        const QChar c = decomposed.at(i);
        if (c.unicode() < 0x80) {
            if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
                out += char(c.unicode());
            continue;
        }
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < decomposed.size() &&
            decomposed.at(i + 1).isLowSurrogate())
            code = QChar::surrogateToUcs4(c, decomposed.at(++i));
        out += plainLetter(code).toLatin1();
    }
    return out;
}

} // namespace

FliteTokenizer::FliteTokenizer(QByteArrayView text, const FliteSymbols& symbols) : text_(text) {
    for (int c = 0; c < 0x20; ++c)
        classes_[size_t(c)] |= Blank; // control characters, a null among them
    classes_[0x7F] |= Blank;
    for (char c : symbols.whitespace)
        classes_[quint8(c)] |= Blank;
    for (char c : symbols.prepunctuation)
        classes_[quint8(c)] |= Pre;
    for (char c : symbols.postpunctuation)
        classes_[quint8(c)] |= Post;
}

bool FliteTokenizer::next(FliteToken& token) {
    const qsizetype size = text_.size();
    int newlines = 0;
    QByteArray blank;
    for (;;) {
        // The blank before the run.
        while (pos_ < size && (classes_[quint8(text_[pos_])] & Blank)) {
            if (text_[pos_] == '\n')
                ++newlines;
            if (blank.size() < kFliteMaxWhitespace)
                blank += text_[pos_];
            ++pos_;
        }
        if (pos_ >= size)
            return false;

        // The run, at most kFliteMaxRun bytes, not cut inside a character.
        const qsizetype start = pos_;
        qsizetype end = start;
        while (end < size && end - start < kFliteMaxRun && !(classes_[quint8(text_[end])] & Blank))
            ++end;
        if (end < size && end - start == kFliteMaxRun && isContinuation(text_[end])) {
            qsizetype back = end;
            while (back > start && isContinuation(text_[back]))
                --back;
            if (back > start)
                end = back;
        }
        pos_ = end;

        // Punctuation off both ends; a run of punctuation alone keeps its
        // first character as the name.
        qsizetype nameBegin = start;
        while (nameBegin < end - 1 && (classes_[quint8(text_[nameBegin])] & Pre))
            ++nameBegin;
        qsizetype nameEnd = end;
        while (nameEnd > nameBegin + 1 && (classes_[quint8(text_[nameEnd - 1])] & Post))
            --nameEnd;

        QByteArray pre = text_.sliced(start, nameBegin - start).toByteArray();
        QByteArray post = text_.sliced(nameEnd, end - nameEnd).toByteArray();
        QByteArray name = plainAscii(text_.sliced(nameBegin, nameEnd - nameBegin));
        // Typographic quotes and dashes became ASCII: peel them off as well.
        qsizetype b = 0;
        while (b < name.size() - 1 && (classes_[quint8(name[b])] & Pre))
            ++b;
        qsizetype e = name.size();
        while (e > b + 1 && (classes_[quint8(name[e - 1])] & Post))
            --e;
        pre += name.left(b);
        post.prepend(name.mid(e));
        name = name.mid(b, e - b);
        if (name.isEmpty() || std::all_of(name.begin(), name.end(),
                                          [&](char c) { return classes_[quint8(c)] & Blank; }))
            continue; // nothing Flite could say: its blank counts for the next run

        token.offset = nameBegin;
        token.whitespace = blank;
        token.prepunctuation = pre.right(kFliteMaxPunctuation);
        token.name = name;
        token.postpunctuation = post.left(kFliteMaxPunctuation);
        token.newlines = newlines;
        return true;
    }
}

bool FliteUtteranceBreak(const FliteToken& previous, const FliteToken& next) {
    if (next.newlines >= 2)
        return true;
    const QByteArray& punc = previous.postpunctuation;
    if (punc.contains(':') || punc.contains('?') || punc.contains('!'))
        return true;
    const bool fullStop = punc.contains('.') || previous.name == ".";
    const char first = next.name.isEmpty() ? 0 : next.name.front();
    if (!fullStop || first < 'A' || first > 'Z')
        return false;
    if (next.whitespace.size() > 1)
        return true;
    // "Mr. Smith", "J. Smith": no sentence ends there.
    static const char* const kAbbreviations[] = {"Mr", "Mrs", "Ms", "Dr",  "St",   "Jr",
                                                 "Sr", "Mt",  "Lt", "Col", "Prof", "Rev"};
    if (previous.name.size() == 1 && std::isalpha(quint8(previous.name.front())))
        return false;
    for (const char* a : kAbbreviations)
        if (previous.name == a)
            return false;
    return true;
}

std::vector<FliteToken> FliteUtterances::next(int maxTokens, qsizetype maxBytes) {
    std::vector<FliteToken> out;
    const size_t most = size_t(std::max(1, maxTokens));
    qsizetype bytes = 0;
    for (;;) {
        FliteToken t;
        if (hasPending_) {
            t = std::move(pending_);
            hasPending_ = false;
        } else if (!tokens_.next(t)) {
            break;
        }
        if (!out.empty()) {
            const QByteArray& punc = out.back().postpunctuation;
            const bool clause = punc.contains(',') || punc.contains(';');
            if (FliteUtteranceBreak(out.back(), t) || out.size() >= most ||
                bytes + t.name.size() > maxBytes || (clause && out.size() >= most / 2)) {
                pending_ = std::move(t);
                hasPending_ = true;
                break;
            }
        }
        bytes += t.name.size();
        out.push_back(std::move(t));
    }
    return out;
}

qsizetype Utf8CodePoints::at(qsizetype byteOffset) {
    byteOffset = std::clamp<qsizetype>(byteOffset, 0, text_.size());
    if (byteOffset < byte_) {
        byte_ = 0;
        codePoints_ = 0;
    }
    for (; byte_ < byteOffset; ++byte_)
        if (!isContinuation(text_[byte_]))
            ++codePoints_;
    return codePoints_;
}

} // namespace kalo
