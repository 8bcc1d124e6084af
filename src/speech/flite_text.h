// Text cut into tokens and utterances for Flite. Flite's own tokenizer
// writes past its buffers on long runs of punctuation and slows down on
// huge tokens, so the text is cut here, in one pass and with bounded
// pieces, and Flite is handed ready tokens. The rules follow Flite's: a
// token is a run of non-blank bytes with punctuation peeled off both ends;
// an utterance ends where a sentence or a paragraph ends.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <vector>

namespace kalo {

// The characters a voice counts as blanks and as punctuation.
struct FliteSymbols {
    QByteArray whitespace = " \t\n\r";
    QByteArray prepunctuation = "\"'`({[";
    QByteArray postpunctuation = "\"'`.,:;!?(){}[]";
};

struct FliteToken {
    qsizetype offset = 0; // byte offset of name in the text
    QByteArray whitespace;
    QByteArray prepunctuation;
    QByteArray name; // never empty
    QByteArray postpunctuation;
    int newlines = 0; // line breaks in the blank before the token
};

// Bounds on what one token may hold. A run of non-blank bytes longer than
// kMaxRun is cut into several tokens (never inside a UTF-8 sequence); the
// blank and the punctuation kept with a token are shortened.
constexpr qsizetype kFliteMaxRun = 40;
constexpr qsizetype kFliteMaxPunctuation = 8;
constexpr qsizetype kFliteMaxWhitespace = 16;

class FliteTokenizer {
public:
    // The text must outlive the tokenizer.
    FliteTokenizer(QByteArrayView text, const FliteSymbols& symbols);
    // The next token; false at the end of the text.
    bool next(FliteToken& token);

private:
    enum : quint8 { Blank = 1, Pre = 2, Post = 4 };
    QByteArrayView text_;
    qsizetype pos_ = 0;
    std::array<quint8, 256> classes_{};
};

// Whether an utterance ends between two tokens: after a paragraph, after
// a question, exclamation or colon, and after a full stop that is followed
// by a capital and does not end an abbreviation or an initial.
bool FliteUtteranceBreak(const FliteToken& previous, const FliteToken& next);

// Hands out the text one utterance at a time.
class FliteUtterances {
public:
    FliteUtterances(QByteArrayView text, const FliteSymbols& symbols) : tokens_(text, symbols) {}
    // The tokens of the next utterance: up to its end, or up to maxTokens
    // tokens (earlier, after a comma, once it has half of them) or names of
    // maxBytes in all. Empty at the end.
    std::vector<FliteToken> next(int maxTokens, qsizetype maxBytes);

private:
    FliteTokenizer tokens_;
    FliteToken pending_;
    bool hasPending_ = false;
};

// Counts the characters (code points) of UTF-8 text up to a byte offset.
// Cheap for rising offsets, the order tokens come in.
class Utf8CodePoints {
public:
    explicit Utf8CodePoints(QByteArrayView text) : text_(text) {}
    qsizetype at(qsizetype byteOffset);

private:
    QByteArrayView text_;
    qsizetype byte_ = 0;
    qsizetype codePoints_ = 0;
};

} // namespace kalo
